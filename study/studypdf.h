// SPDX-License-Identifier: GPL-3.0-or-later
// A StudyDocument as a paginated A4 PDF, made with Qt's own PDF writer:
// portrait, 20 mm margins, the document's title and a rule at the head of
// every page, "Página i de N" at the foot. Tables are sized to their
// content (the widest columns wrap when the page is too narrow), a row is
// never split and a table that continues on the next page repeats its
// header; a heading never ends a page; charts are drawn as vectors by the
// chart export code, laid out at their size on paper.
//
//   StudyCharts       the charts a document names, by name
//   WriteStudyPdf     the document written to a path through the atomic
//                     writer: an existing file is replaced only once all is
//                     written, a device is written in place
//   StudyPdfBytes     the same into memory (returns the page count too)
#pragma once

#include <QByteArray>
#include <QString>
#include <map>
#include <string>

#include "files/filewrite.h"
#include "study/studycontent.h"

class QChart;

namespace zarn {

using StudyCharts = std::map<std::string, QChart*>;

// Throws ZarnError when the file cannot be written. Returns the pages written.
// `link`: what becomes of a symbolic link at the path (files/filewrite.h).
int WriteStudyPdf(const QString& path, const StudyDocument& doc, const StudyCharts& charts,
                  LinkAtTarget link = LinkAtTarget::Follow);
QByteArray StudyPdfBytes(const StudyDocument& doc, const StudyCharts& charts, int* pages = nullptr);

}  // namespace zarn
