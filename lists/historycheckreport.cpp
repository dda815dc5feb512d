// What `vantor --verify-history` prints: each finding in a sentence, and the verdict.
#include "historycheck.h"

#include <history.h>

#include <QLocale>

namespace vantor::history {

namespace {

QString number(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

// "member A123 (record 5)", "fit test 12 of member A123"
QString recordName(const Finding& f)
{
    const QString member = f.fdid.isEmpty() ? Text::tr("a member without FDID") : Text::tr("member %1").arg(f.fdid);
    if (f.record == u"MT")
        return Text::tr("%1 (record %2)").arg(member, number(f.recordKey));
    if (f.record == u"FitTest")
        return Text::tr("fit test %1 of %2").arg(number(f.recordKey), member);
    return Text::tr("row %1 of %2 (%3)").arg(number(f.recordKey), f.record, member);
}

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString sentence(const Finding& f)
{
    using Kind = Finding::Kind;
    switch (f.kind) {
    case Kind::Edited:
        return Text::tr("Entry %1 does not match its seal: it was changed after it was written.").arg(number(f.entry));
    case Kind::Missing:
        return f.entry == f.lastEntry
            ? Text::tr("Entry %1 is missing from the chain.").arg(number(f.entry))
            : Text::tr("Entries %1 to %2 are missing from the chain.").arg(number(f.entry), number(f.lastEntry));
    case Kind::SealRemoved:
        return Text::tr("Entry %1 has no seal, but entries after it have theirs: its seal was taken away.")
            .arg(number(f.entry));
    case Kind::NamedOutside:
        return Text::tr("Entry %1 names %2 as its writer, but was not sealed when it was written: it was written "
                        "outside Vantor.")
            .arg(number(f.entry), f.detail);
    case Kind::UnknownRecord:
        return Text::tr("Entry %1 is about %2, a table the history does not keep.")
            .arg(number(f.entry), f.record.isEmpty() ? Text::tr("no table") : f.record);
    case Kind::ChangedBetween:
        return f.detail.isEmpty()
            ? Text::tr("Entry %1 changes %2, of which the history has no earlier entry: entries are missing, or the "
                       "record was added past the history.")
                  .arg(number(f.entry), recordName(f))
            : Text::tr("Entry %1 found %2 otherwise than entry %3 left it: it was changed past the history in "
                       "between.")
                  .arg(number(f.entry), recordName(f), f.detail);
    case Kind::RecordDiffers:
        return capitalized(Text::tr("%1 differs from its latest entry, %2: it was changed past the history, or "
                                    "later entries were cut.")
                               .arg(recordName(f), number(f.entry)));
    case Kind::RecordUnrecorded:
        return capitalized(
            Text::tr("%1 has no entry in the history: it was added past the history, or its entries were cut.")
                .arg(recordName(f)));
    case Kind::RecordMissing:
        return capitalized(Text::tr("%1 is no longer there, though its latest entry, %2, keeps it: it was deleted "
                                    "past the history, or its deleting entry was cut.")
                               .arg(recordName(f), number(f.entry)));
    case Kind::RecordBack:
        return capitalized(
            Text::tr("%1 is there, though its latest entry, %2, deleted it: it was put back past the history.")
                .arg(recordName(f), number(f.entry)));
    case Kind::HeadDiffers:
        if (f.lastEntry >= f.entry)
            return f.entry == f.lastEntry
                ? Text::tr("Entry %1 is missing from the end of the chain: the database numbered it, and it is gone.")
                      .arg(number(f.entry))
                : Text::tr("Entries %1 to %2 are missing from the end of the chain: the database numbered them, and "
                           "they are gone.")
                      .arg(number(f.entry), number(f.lastEntry));
        return Text::tr("The chain ends at entry %1, but the database's own count of entries says %2: entries were "
                        "written past the history's function, or its count was changed.")
            .arg(number(f.entry - 1), number(f.lastEntry));
    case Kind::OutsideUnsealed:
        return Text::tr("Entry %1 records a change made outside Vantor; Vantor seals it with the next change it "
                        "makes.")
            .arg(number(f.entry));
    case Kind::OutsideSealed:
        return Text::tr("Entry %1 records a change made outside Vantor, sealed later (%2).")
            .arg(number(f.entry), f.detail);
    }
    return {};
}

} // namespace

QStringList describeVerification(const Verification& result, const QString& where, int perKind)
{
    QStringList lines{Text::tr("The history of %1: %2 entries, %3 records.")
                          .arg(where, number(result.entries), number(result.records))};
    QMap<Finding::Kind, int> shown;
    for (const Finding& finding : result.findings) {
        if (shown[finding.kind]++ < perKind)
            lines << sentence(finding);
    }
    for (auto it = result.counts.cbegin(); it != result.counts.cend(); ++it) {
        if (it.value() > perKind)
            lines << Text::tr("... and %1 more like the last.").arg(number(it.value() - perKind));
    }
    qint64 failures = 0;
    for (auto it = result.counts.cbegin(); it != result.counts.cend(); ++it)
        failures += Finding{it.key()}.isFailure() ? it.value() : 0;
    if (failures == 0)
        lines << Text::tr("The history is whole: every entry matches its seal, none is missing, and every record is "
                          "as its latest entry left it.");
    else
        lines << Text::tr("The history is not whole: %1 finding(s) above.").arg(number(failures));
    return lines;
}

} // namespace vantor::history
