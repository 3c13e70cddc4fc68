#include "platform/dialog/dialog_service.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <memory>

namespace qv::dialog {
namespace {

QString runFileDialog(QWidget* owner, const QString& title, const QString& directory, const QString& filter,
                      QFileDialog::AcceptMode mode) {
    // Qt's own dialog: the same on every desktop, no portal or theme needed.
    QFileDialog dialog(owner, title, directory);
    setUpFileDialog(dialog, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

class QtDialogs : public DialogService {
public:
    void message(QWidget* owner, const QString& caption, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    QString saveFileName(QWidget* owner, const QString& title, const QString& directory,
                         const QString& filter) override {
        return runFileDialog(owner, title, directory, filter, QFileDialog::AcceptSave);
    }
    QString openFileName(QWidget* owner, const QString& title, const QString& directory,
                         const QString& filter) override {
        return runFileDialog(owner, title, directory, filter, QFileDialog::AcceptOpen);
    }
};

QtDialogs& real() {
    static QtDialogs service;
    return service;
}
DialogService* current = nullptr;
std::unique_ptr<QTranslator> qtTexts;

}  // namespace

DialogService& dialogs() { return current ? *current : real(); }
void setDialogService(DialogService* service) { current = service; }

void setUpFileDialog(QFileDialog& dialog, const QString& filter) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(filter);
    // An entry "description (pattern)" shows its description alone, so the
    // program's "(*.csv) (*.csv)" reads "(*.csv)"; an entry that is a bare
    // pattern would show nothing that way and keeps Qt's presentation.
    bool described = true;
    for (const QString& entry : dialog.nameFilters()) {
        const qsizetype open = entry.lastIndexOf(QLatin1Char('('));
        described = described && open > 0 && entry.endsWith(QLatin1Char(')')) && !entry.left(open).trimmed().isEmpty();
    }
    dialog.setOption(QFileDialog::HideNameFilterDetails, described);
}

bool setDialogLanguage(int language) {
    if (qtTexts) {
        QCoreApplication::removeTranslator(qtTexts.get());
        qtTexts.reset();
    }
    const char* const suffix = language == 0 ? "de" : language == 2 ? "fr" : nullptr;
    if (!suffix) return true;  // English: Qt's own texts
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_%1").arg(QLatin1String(suffix)),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.get());
    qtTexts = std::move(translator);
    return true;
}

}  // namespace qv::dialog
