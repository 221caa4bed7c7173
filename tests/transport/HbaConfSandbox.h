// Runs a piece of a test in a child process that sees its own /etc/hba.conf,
// so the real SNIA library loads exactly what the test lists (or finds no file).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct SandboxResult {
    bool ran = false;      // the child set up its namespace and finished the body
    std::string text;      // what the body returned
    std::string error;     // why it did not run, or how the child ended
};

// conf: the file's content, or nullopt for no /etc/hba.conf at all.
// env: variables set in the child before the body runs.
SandboxResult runWithHbaConf(const std::optional<std::string>& conf,
                             const std::vector<std::pair<std::string, std::string>>& env,
                             const std::function<std::string()>& body);

// An hba.conf line naming the staged simulator library.
std::string fabricsimConfLine();
