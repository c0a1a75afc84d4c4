// SPDX-License-Identifier: GPL-3.0-or-later
// A small JSON writer for the batch tool: objects, arrays, strings and
// numbers that read back to the same double.
#pragma once

#include <string>
#include <string_view>

namespace zarn {

class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    void Key(std::string_view key);
    // UTF-8 text, escaped.
    void String(std::string_view utf8);
    // 17 significant digits; "nan", "inf", "-inf" as strings.
    void Number(double v);
    void Integer(long long v);
    void Bool(bool v);
    void Null();

    const std::string& Text() const { return out_; }

private:
    void Separate();
    void AppendQuoted(std::string_view utf8);
    std::string out_;
    bool needComma_ = false;
    bool keyPending_ = false;
    int depth_ = 0;
};

}  // namespace zarn
