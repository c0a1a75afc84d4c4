// SPDX-License-Identifier: GPL-3.0-or-later
// The Document's replacement as a Qt signal, for the windows: a window makes
// one as its child and connects Replaced to its refresh; the listening ends
// with the window.
#pragma once

#include <QObject>

#include "platform/document.h"

namespace zarn {

class DocumentSignal : public QObject {
    Q_OBJECT
public:
    DocumentSignal(Document& document, QObject* parent)
        : QObject(parent), listener_(document.Listen([this] { emit Replaced(); })) {}

signals:
    // A new analysis replaced the one in the document.
    void Replaced();

private:
    Document::Listener listener_;
};

}  // namespace zarn
