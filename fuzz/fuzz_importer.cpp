// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the importer in each of its formats and the summary, the preview
// rows and the data text it builds: every input must end in a result or a
// ZarnError, never in a crash, a hang or a sanitizer report; a kept value is
// always text the data file reader takes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/errors.h"
#include "import/importer.h"

namespace {

// [+-]digits[.digits][(E|e)[+-]digits]: what the data file reader converts.
bool ReaderTakes(const std::string& t) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t s = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        return i > s;
    };
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (!digits()) return false;
    if (i < t.size() && t[i] == '.' && (++i, !digits())) return false;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (!digits()) return false;
    }
    return i == t.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the format and a few options.
    zarn::ImportOptions o;
    const unsigned k = data[0];
    o.Format = static_cast<zarn::ImportFormat>(k % 4);
    o.YearStart = static_cast<int>((k / 4) % 13);
    o.ValueColumn = static_cast<int>((k / 52) % 3);
    o.DateColumn = static_cast<int>((k / 16) % 3);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        const zarn::ImportResult r = zarn::ImportText(text, o);
        zarn::ImportSummary(r);
        zarn::ImportPreviewRows(r);
        zarn::ImportedDataText(r);
        for (const auto& year : r.Kept)
            if (!ReaderTakes(year.Value)) std::abort();
    } catch (const zarn::ZarnError&) {
    }
    return 0;
}
