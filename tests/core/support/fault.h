// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a step of the analysis as the calculation driver does, with the IEEE
// flags checked afterwards, and returns the error text it ends with, or "".
#pragma once

#include <string>

#include "files/errors.h"

namespace zarn {

template <typename Step>
std::string FaultOf(Step&& step) {
    try {
        FloatingPointCheck check;
        step();
        check.Raise();
    } catch (const ZarnError& e) {
        return e.what();
    }
    return "";
}

}  // namespace zarn
