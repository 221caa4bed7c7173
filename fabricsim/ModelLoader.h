// Reads and checks a model file; the first bad value is reported with its JSON path.
#pragma once

#include <string>
#include <string_view>

#include "Model.h"

namespace fabricsim {

struct ModelError {
    std::string path;    // JSON path of the bad value, "$" for the document itself
    std::string reason;
};

bool parseModel(std::string_view jsonText, Model& model, ModelError& error);
bool loadModelFile(const std::string& file, Model& model, ModelError& error);

// The one line written to standard error when a model cannot be used.
std::string describeModelError(const std::string& file, const ModelError& error);

}  // namespace fabricsim
