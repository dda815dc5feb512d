#pragma once

#include <memberfittests.h>

#include <QDate>
#include <QString>

// A member's fit-test record as one printed page, which the member can be given: what the
// standard asks a record of each test to hold, newest first.
namespace vantor::fittests {

QString recordHtml(const Member& member, const QList<FitTest>& tests, const QDate& printed);

// Writes the record as a PDF of one letter-size page at `path`: the type made smaller, and
// where even that will not do, the oldest tests left out with a line that says how many.
// False, with `error` saying why, where the file cannot be written.
bool writeRecordPdf(const QString& path, const Member& member, const QList<FitTest>& tests, const QDate& printed,
                    QString* error = nullptr);

} // namespace vantor::fittests
