// A small writer of indented JSON for the tool's read-outs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veyra::vxd::tool {

class JsonWriter {
public:
    JsonWriter &beginObject();
    JsonWriter &endObject();
    JsonWriter &beginArray();
    JsonWriter &endArray();
    // The name of the next member of the object being written.
    JsonWriter &key(std::string_view name);
    JsonWriter &string(std::string_view text);
    JsonWriter &number(int64_t value);
    JsonWriter &boolean(bool value);
    JsonWriter &null();

    // The document, with a final newline.
    std::string text() const { return out_ + "\n"; }

private:
    void beginValue();
    void open(char bracket);
    void close(char bracket);

    std::string out_;
    std::vector<bool> hasItems_; // one per open object or array
    bool afterKey_ = false;
};

} // namespace veyra::vxd::tool
