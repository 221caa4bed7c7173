#include "JsonStream.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "JsonText.h"

using json = nlohmann::ordered_json;

JsonStream::JsonStream(std::FILE* out, std::string fileName) : out_(out), fileName_(std::move(fileName)) {}

void JsonStream::fail(const std::string& what) {
    if (failure_.empty()) failure_ = what + ": " + std::strerror(errno);
}

void JsonStream::put(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) fail("cannot write to standard output");
}

void JsonStream::begin() {
    if (begun_) return;
    begun_ = true;
    put("{\"file\":" + json(jsonText(fileName_)).dump() + ",\"kind\":" + json(fileKindName(kind_)).dump() +
        ",\"fabrics\":[");
}

void JsonStream::fabricStart(const std::string& wwn, std::uint64_t line) {
    begin();
    put(std::string(firstFabric_ ? "\n" : ",\n") + "{\"wwn\":" + json(jsonText(wwn)).dump() +
        ",\"line\":" + std::to_string(line) + ",\"records\":{");
    firstFabric_ = false;
    open_ = true;
    count_.fill(0);
}

void JsonStream::record(const Record& record) {
    if (!open_) return;
    const int s = static_cast<int>(record.section);
    auto& spill = spill_[s];
    if (!spill) {
        spill.reset(std::tmpfile());
        if (!spill) {
            fail("cannot make a temporary file");
            return;
        }
    }
    json fields = json::object();
    std::string_view columns = sectionInfo(record.section).columns;
    for (const std::string& value : record.fields) {
        const std::size_t comma = columns.find(',');
        fields[std::string(columns.substr(0, comma))] = jsonText(value);
        columns = comma == std::string_view::npos ? std::string_view() : columns.substr(comma + 1);
    }
    const std::string text = (count_[s]++ ? ",\n" : "\n") + fields.dump();
    if (std::fwrite(text.data(), 1, text.size(), spill.get()) != text.size()) fail("cannot write a temporary file");
}

void JsonStream::fabricEnd(std::uint64_t, bool closed) {
    if (!open_) return;
    bool firstSection = true;
    for (int s = 0; s < kSectionCount; ++s) {
        if (!count_[s] || !spill_[s]) continue;
        std::FILE* spill = spill_[s].get();
        put(std::string(firstSection ? "" : ",") + "\n" + json(sectionInfo(static_cast<Section>(s)).name).dump() + ":[");
        firstSection = false;
        std::rewind(spill);
        char buffer[1 << 16];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, spill)) > 0)
            if (std::fwrite(buffer, 1, n, out_) != n) fail("cannot write to standard output");
        if (std::ferror(spill)) fail("cannot read a temporary file");
        put("]");
        // The next fabric starts its sections afresh in the same files.
        std::rewind(spill);
        if (::ftruncate(::fileno(spill), 0) != 0) fail("cannot empty a temporary file");
    }
    put(std::string("},\"complete\":") + (closed ? "true" : "false") + "}");
    open_ = false;
}

void JsonStream::end(std::uint64_t errors, std::uint64_t warnings) {
    begin();
    put("\n],\"errors\":" + std::to_string(errors) + ",\"warnings\":" + std::to_string(warnings) + "}\n");
    if (std::fflush(out_) != 0) fail("cannot write to standard output");
}
