// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zarn {

void JsonWriter::Separate() {
    if (keyPending_) {  // a value right after its key
        keyPending_ = false;
        return;
    }
    if (needComma_) out_ += ',';
    if (depth_ > 0) {
        out_ += '\n';
        out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
    }
}

void JsonWriter::BeginObject() {
    Separate();
    out_ += '{';
    ++depth_;
    needComma_ = false;
}

void JsonWriter::EndObject() {
    --depth_;
    out_ += '\n';
    out_.append(static_cast<std::size_t>(depth_) * 2, ' ');
    out_ += '}';
    needComma_ = true;
}

void JsonWriter::BeginArray() {
    Separate();
    out_ += '[';
    ++depth_;
    needComma_ = false;
}

void JsonWriter::EndArray() {
    --depth_;
    out_ += ']';
    needComma_ = true;
}

void JsonWriter::Key(std::string_view key) {
    Separate();
    AppendQuoted(key);
    out_ += ": ";
    keyPending_ = true;
}

void JsonWriter::String(std::string_view utf8) {
    Separate();
    AppendQuoted(utf8);
    needComma_ = true;
}

void JsonWriter::AppendQuoted(std::string_view utf8) {
    out_ += '"';
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': out_ += "\\\""; break;
        case '\\': out_ += "\\\\"; break;
        case '\n': out_ += "\\n"; break;
        case '\r': out_ += "\\r"; break;
        case '\t': out_ += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out_ += buf;
            } else {
                out_ += static_cast<char>(c);
            }
        }
    }
    out_ += '"';
}

void JsonWriter::Number(double v) {
    if (std::isnan(v)) return String("nan");
    if (std::isinf(v)) return String(v > 0 ? "inf" : "-inf");
    Separate();
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17);
    out_.append(buf, res.ptr);
    needComma_ = true;
}

void JsonWriter::Integer(long long v) {
    Separate();
    out_ += std::to_string(v);
    needComma_ = true;
}

void JsonWriter::Bool(bool v) {
    Separate();
    out_ += v ? "true" : "false";
    needComma_ = true;
}

void JsonWriter::Null() {
    Separate();
    out_ += "null";
    needComma_ = true;
}

}  // namespace zarn
