// An argument vector for the functions that take main's argc and argv.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

// An argument vector that lives as long as the object.
class Argv {
public:
    Argv(std::initializer_list<std::string> args) : storage_(args) { build(); }
    explicit Argv(std::vector<std::string> args) : storage_(std::move(args)) { build(); }
    Argv(const Argv&) = delete;  // the pointers point into storage_
    Argv& operator=(const Argv&) = delete;
    int argc() const { return static_cast<int>(storage_.size()); }
    char** argv() { return pointers_.data(); }

private:
    void build() {
        for (std::string& arg : storage_) pointers_.push_back(&arg[0]);
        pointers_.push_back(nullptr);
    }
    std::vector<std::string> storage_;
    std::vector<char*> pointers_;
};
