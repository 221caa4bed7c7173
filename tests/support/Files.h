// Files and lines for the tests: the source tree and the staged installation, whole files
// read and written, and text split into lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

std::string sourcePath(const std::string& relative);  // relative to the repository root
std::string stagePath(const std::string& relative);   // relative to the staged installation's prefix

std::string readFile(const std::string& path);  // empty when the file cannot be read
// Creates or replaces the file (throws when it cannot); mode, when given, is set on it.
void writeFile(const std::string& path, const std::string& content, int mode = -1);
bool fileExists(const std::string& path);  // a link counts, wherever it points
bool isSymlink(const std::string& path);
std::uint64_t sizeOf(const std::string& path);    // 0 when there is no such file
void makeDirs(const std::string& path);           // with its parents, as mkdir -p
void ageFile(const std::string& path, int days);  // its modification time that many days back
// Names of the entries in dir that end with suffix, sorted; empty when there is no such directory.
std::vector<std::string> filesIn(const std::string& dir, const std::string& suffix);

std::vector<std::string> readLines(const std::string& path);
std::vector<std::string> splitLines(const std::string& text);
// The lines from index `first` on.
std::vector<std::string> linesFrom(const std::vector<std::string>& lines, std::size_t first);
