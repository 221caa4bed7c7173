#include "SimHarness.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "Files.h"
#include "ModelLoader.h"

namespace fstest {

std::string modelPath(const std::string& name) { return sourcePath("tests/fabricsim/models/" + name); }

nlohmann::json readModelJson(const std::string& name) {
    std::ifstream in(modelPath(name));
    if (!in) throw std::runtime_error("cannot read " + modelPath(name));
    return nlohmann::json::parse(in);
}

SimHarness::SimHarness(const nlohmann::json& model, fabricsim::SimulatorOutputs outputs) {
    auto parsed = std::make_unique<fabricsim::Model>();
    fabricsim::ModelError error;
    if (!fabricsim::parseModel(model.dump(), *parsed, error))
        throw std::runtime_error("model rejected: " + error.path + ": " + error.reason);
    sim_ = std::make_unique<fabricsim::Simulator>(std::move(parsed), std::move(outputs));
}

Reply SimHarness::send(std::uint32_t handle, const std::optional<std::string>& port, const Bytes& request,
                       std::size_t size) {
    Reply reply;
    reply.buffer.assign(size, kFill);
    reply.returned = static_cast<std::uint32_t>(size);
    if (port) {
        std::uint64_t wwn = 0;
        if (!fabricsim::parseHexDigits(*port, 16, wwn)) throw std::invalid_argument("not a WWN: " + *port);
        reply.status = sim_->passThrough(handle, &wwn, request.data(), static_cast<std::uint32_t>(request.size()),
                                         reply.buffer.data(), static_cast<std::uint32_t>(size), &reply.returned);
    } else {
        reply.status = sim_->passThrough(handle, nullptr, request.data(), static_cast<std::uint32_t>(request.size()),
                                         reply.buffer.data(), static_cast<std::uint32_t>(size), nullptr);
    }
    return reply;
}

Reply SimHarness::v2(std::uint32_t handle, const std::string& port, fabricsim::GsCommand command, const std::string& key,
                     std::size_t size) {
    if (size == 0) size = probeResponseSize(command);
    return send(handle, port, buildRequest(command, key, size), size);
}

Reply SimHarness::v1(std::uint32_t handle, fabricsim::GsCommand command, const std::string& key, std::size_t size) {
    if (size == 0) size = probeResponseSize(command);
    return send(handle, std::nullopt, buildRequest(command, key, size), size);
}

}  // namespace fstest
