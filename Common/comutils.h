// The job file the agent tracks a fabric probe run by, and the start status on its channel.
#pragma once

#include <cstdint>
#include <string>

class CmdArgs;

// Writes <output file stem>.jobinfo unless it exists already; returns its path,
// or an empty string when no job file could be opened (a symbolic link in its
// place included); a failed write or close keeps the path. Sets
// args.jobStartTime to the time written when it was -1.
std::string createFabricJobFile(CmdArgs& args);

// Appends the job's end to the job file: " hints=" (when hints is not empty),
// " endTime=", " exitCode="; an endTime of -1 means now.
void updateJobFile(const std::string& path, std::int32_t exitCode, std::int32_t endTime,
                   const std::string& hints = std::string());

// Writes the one status character to the agent's descriptor (-1: none).
void sendAgentStatus(int fd, const char* status);
