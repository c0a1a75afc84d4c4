// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-advisor: one consultation of a rule base, in a process of its own.
// The program starts it for every consultation (rules/consultation.cpp):
// the request comes on standard input, the answer goes to standard output,
// both in the frames of rules/protocol.h; standard error is /dev/null.
// Before reading anything the helper limits itself (advisor/sandbox.h), so
// that whatever the rule base makes the engine do costs this process only.
//
// Exit status: 0 an answer was written (the advice, or why there is none);
// otherwise one of the kHelperExit codes of rules/protocol.h.
#include <unistd.h>

#include <cstring>
#include <new>
#include <string>

#include "advisor/sandbox.h"
#include "rules/engine.h"
#include "rules/protocol.h"

namespace {

using zarn::kHelperExitBadRequest;
using zarn::kHelperExitLimits;
using zarn::kHelperExitMemory;
using zarn::kHelperExitWrite;

// Keeps the functions of rulecheck.h and skips the text check, for the tests
// that show what the limits alone leave a rule base.
constexpr const char* kKeepFunctionsOption = "--keep-forbidden-functions";

// Reads standard input to its end; false past `bound` bytes or on an error.
bool ReadRequest(std::string& bytes, std::size_t bound) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) return false;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > bound) return false;
    }
}

bool WriteAll(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

[[noreturn]] void OutOfMemory() { ::_exit(kHelperExitMemory); }

}  // namespace

// Every way out is _exit: no destructor or exit handler runs after the
// engine may have corrupted the heap.
int main(int argc, char** argv) {
    const bool keepFunctions = argc == 2 && std::strcmp(argv[1], kKeepFunctionsOption) == 0;
    if (argc > 1 && !keepFunctions) ::_exit(kHelperExitBadRequest);
    std::set_new_handler(OutOfMemory);
    if (!zarn::LimitProcess() || !zarn::FilterSyscalls()) ::_exit(kHelperExitLimits);
    std::string bytes;
    if (!ReadRequest(bytes, zarn::kMaxRequestBytes)) ::_exit(kHelperExitBadRequest);
    const std::optional<zarn::ConsultationRequest> request = zarn::DecodeRequest(bytes);
    if (!request) ::_exit(kHelperExitBadRequest);
    bytes.clear();
    bytes.shrink_to_fit();
    const zarn::ConsultationAnswer answer = zarn::RunConsultation(*request, !keepFunctions);
    ::_exit(WriteAll(zarn::EncodeAnswer(request->Kind, answer)) ? 0 : kHelperExitWrite);
}
