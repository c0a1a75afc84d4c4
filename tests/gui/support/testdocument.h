// SPDX-License-Identifier: GPL-3.0-or-later
// The session and the document a window test works on: the program owns its
// own in main(); a test's windows are handed this one.
#pragma once

#include "platform/document.h"
#include "platform/session.h"

namespace zarn {

inline Session& TestSession() {
    static Session session;
    return session;
}

inline Document& TestDocument() {
    static Document document(TestSession());
    return document;
}

}  // namespace zarn
