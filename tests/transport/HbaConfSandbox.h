// Runs a piece of a test in a child process that sees its own /etc/hba.conf,
// so the real SNIA library loads exactly what the test lists (or finds no file).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// ran: the child set up its namespace and finished the body, which returned text; else error
// says why it did not run, or how the child ended.
struct SandboxResult {
    bool ran = false;
    std::string text, error;
};

// conf: the file's content, or nullopt for no /etc/hba.conf at all.
// env: variables set in the child before the body runs.
SandboxResult runWithHbaConf(const std::optional<std::string>& conf,
                             const std::vector<std::pair<std::string, std::string>>& env,
                             const std::function<std::string()>& body);

// An hba.conf line naming the staged simulator library.
std::string fabricsimConfLine();
