#pragma once

#include "testdatabase.h"

#include <connection.h>
#include <masktest.h>
#include <memberfittests.h>

#include <QDir>
#include <QFile>

#include <QTest>

// What the fit-test tests share: a test of the usual kind, the hidden key of a member, and
// the stored tests and recordings as another program reads them.
namespace vantor::test {

// A quantitative SCBA facepiece test, passed where its fit factor reaches 500.
inline fittests::FitTest scbaTest(const QDate& date, double fitFactor = 2300)
{
    fittests::FitTest test;
    test.date = date;
    test.type = fittests::TestType::Quantitative;
    test.protocol = QStringLiteral("cnc");
    test.make = QStringLiteral("MSA");
    test.model = QStringLiteral("G1");
    test.style = QStringLiteral("SCBA facepiece");
    test.size = QStringLiteral("M");
    test.facepiece = fittests::Facepiece::Full;
    test.fitFactor = fitFactor;
    test.passed = fittests::passes(test.facepiece, fitFactor);
    test.tester = QStringLiteral("SAFETY OFFICER");
    return test;
}

inline QString rowKeyColumn(const QString& path)
{
    return path.startsWith(QLatin1String("postgresql:")) ? QStringLiteral("row_key") : QStringLiteral("rowid");
}

// The rows of `sql`, read past the windows' code: texts, bytes and nulls as the records hold them.
inline QList<QVariantList> rowsOf(const QString& path, const QString& sql, const QVariantList& values = {})
{
    Connection connection;
    QList<QVariantList> rows;
    if (StoreError error = connection.open(test::connectionString(path));
        error || (error = connection.query(sql, values, rows)))
        qWarning("%s", qPrintable(error.description));
    return rows;
}

// The hidden row key of the member with `fdid`.
inline qint64 memberKey(const QString& path, const QString& fdid)
{
    return rowsOf(path, QStringLiteral(R"(SELECT %1 FROM "MT" WHERE "ID" = ?)").arg(rowKeyColumn(path)), {fdid})
        .value(0)
        .value(0)
        .toLongLong();
}

// One value of the first row of `sql`, past the store.
inline QVariant scalar(const QString& path, const QString& sql)
{
    return rowsOf(path, sql).value(0).value(0);
}

// Every test and recording, by member FDID and in the order of their keys, as texts: what a
// copy must carry unchanged.
inline QStringList storedTests(const QString& path)
{
    const QString key = rowKeyColumn(path);
    const QList<QVariantList> stored = rowsOf(
        path,
        QStringLiteral(R"(SELECT m."ID", t."MemberID", t."TestDate", t."TestType", t."Protocol", t."ProtocolOther", )"
                       R"(t."Make", t."Model", t."Style", t."Size", t."FacepieceClass", t."FitFactor", t."Passed", )"
                       R"(t."Tester", t."Note", t."RecordingName", t."RecordingType", t."RecordingSize", r."Bytes" )"
                       R"(FROM "FitTest" t JOIN "MT" m ON m.%1 = t."Member" )"
                       R"(LEFT JOIN "FitTestRecording" r ON r."FitTest" = t."row_key" ORDER BY m.%1, t."row_key")")
            .arg(key));
    QStringList rows;
    for (const QVariantList& row : stored) {
        QStringList values;
        for (int i = 0; i < 18; ++i)
            values << (row.value(i).isValid() ? row.value(i).toString() : QStringLiteral("<null>"));
        values << QString::fromLatin1(row.value(18).toByteArray().toHex());
        rows << values.join(u'|');
    }
    return rows;
}

// Records of an earlier version: table MT alone, as the previous release made it.
inline QString earlierRecords(const QString& directory)
{
    if (!test::onServer()) {
        static int copies = 0;
        const QString path = QDir(directory).filePath(QStringLiteral("previous-%1.mdb").arg(++copies));
        QFile::copy(QStringLiteral(VANTOR_PREVIOUS_RELEASE_FILE), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }
    const QString path = test::testServer().uri(test::testServer().newDatabase());
    Connection connection;
    connection.open(test::connectionString(path));
    for (const QString& sql : connection.engine()->createTableStatements(masktest::table()))
        connection.execute(sql);
    test::execute(path,
                  QStringLiteral(R"(INSERT INTO "MT" ("ID", "Last") VALUES ('A100', 'ALLEN'), ('B200', 'BOYD'), )"
                                 R"(('C300', 'CRUZ'))"));
    return path;
}

} // namespace vantor::test
