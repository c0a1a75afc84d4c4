// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/terminal.h"

#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include "analysis/record.h"
#include "cli/outputs.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

bool IsUtf8(const std::string& codeset) { return codeset == "UTF-8" || codeset == "utf-8" || codeset == "utf8"; }

// UTF-8 text in `codeset`; characters it lacks transliterated or '?'.
std::string FromUtf8(const std::string& utf8, const std::string& codeset) {
    iconv_t cd = iconv_open((codeset + "//TRANSLIT").c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
    std::string out;
    char buffer[256];
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    while (true) {
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        const bool flush = inLeft == 0;
        const std::size_t rc = flush ? iconv(cd, nullptr, nullptr, &to, &toLeft) : iconv(cd, &in, &inLeft, &to, &toLeft);
        const int error = errno;
        out.append(buffer, to);
        if (rc != static_cast<std::size_t>(-1)) {
            if (flush) break;
            continue;
        }
        if (error == E2BIG) continue;
        if (flush) break;
        // EILSEQ: no transliteration either; EINVAL cannot follow whole
        // UTF-8 input. Skip the one character.
        out += '?';
        std::size_t skip = 1;
        while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
        in += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string TerminalCodeset() {
    // The user's locale for this question only: the number formats of the
    // program stay those of the C locale.
    locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (user == static_cast<locale_t>(0)) return "ANSI_X3.4-1968";
    const std::string codeset = nl_langinfo_l(CODESET, user);
    freelocale(user);
    return codeset;
}

std::string TerminalText(const std::vector<std::string>& lines, const std::string& codeset) {
    std::string utf8;
    for (const std::string& line : lines) {
        utf8 += Windows1252ToUtf8(line);
        utf8 += '\n';
    }
    return IsUtf8(codeset) ? utf8 : FromUtf8(utf8, codeset);
}

std::string StandardOutputLines(const std::vector<std::string>& lines, bool raw) {
    if (raw || isatty(STDOUT_FILENO) != 1) return JoinCrLf(lines);
    return TerminalText(lines, TerminalCodeset());
}

}  // namespace zarn
