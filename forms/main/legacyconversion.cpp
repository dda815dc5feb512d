// Start-up on a records file of the old Access program: one question, then the conversion.
#include "legacyconversion.h"

#include "dialogservice.h"

#include <legacyimport.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace vantor {

namespace {

// The translators' context of the conversion's questions and reports.
struct LegacyConversion {
    Q_DECLARE_TR_FUNCTIONS(LegacyConversion)
};

QString conversionTitle()
{
    return LegacyConversion::tr("Convert Records File");
}

} // namespace

bool offerLegacyConversion(DialogService& dialogs, QWidget* parent, const QString& path)
{
    if (!legacy::isAccessFile(path))
        return true;
    const QString file = QDir::toNativeSeparators(path);
    const QString original = QDir::toNativeSeparators(legacy::originalCopyPath(path));
    if (QFileInfo::exists(legacy::originalCopyPath(path))) {
        dialogs.message(parent,
                        okBox(LegacyConversion::tr("The records file\n%1\nis in the format of the old Access program, "
                                                   "but it cannot be converted: the place for its original,\n%2\n"
                                                   "is taken by an earlier copy. Move that file elsewhere and "
                                                   "start Vantor again.")
                                  .arg(file, original),
                              MsgIcon::Critical, conversionTitle()));
        return false;
    }
    const QString prompt = LegacyConversion::tr("The records file\n%1\nis in the format of the old Access program. "
                                                "Convert it now?\n\nThe original will be kept unchanged as\n%2")
                               .arg(file, original);
    if (dialogs.message(parent, yesNoBox(prompt, conversionTitle())) != MsgResult::Yes)
        return false;
    if (const StoreError error = legacy::convertInPlace(path)) {
        dialogs.message(parent,
                        okBox(LegacyConversion::tr("The records file could not be converted; it is left as it "
                                                   "was.\n\n%1\n(Error %2)")
                                  .arg(error.description, QString::number(error.number)),
                              MsgIcon::Critical, conversionTitle()));
        return false;
    }
    return true;
}

} // namespace vantor
