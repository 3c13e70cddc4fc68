#include "platform/dialog/dialog_service.h"

#include <QFileDialog>
#include <QMessageBox>

namespace qv::dialog {
namespace {

class QtDialogs : public DialogService {
public:
    void message(QWidget* owner, const QString& caption, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    QString saveFileName(QWidget* owner, const QString& title, const QString& directory,
                         const QString& filter) override {
        // Qt's own dialog: the same on every desktop, no portal or theme needed.
        return QFileDialog::getSaveFileName(owner, title, directory, filter, nullptr,
                                            QFileDialog::DontUseNativeDialog);
    }
    QString openFileName(QWidget* owner, const QString& title, const QString& directory,
                         const QString& filter) override {
        return QFileDialog::getOpenFileName(owner, title, directory, filter, nullptr,
                                            QFileDialog::DontUseNativeDialog);
    }
};

QtDialogs& real() {
    static QtDialogs service;
    return service;
}
DialogService* current = nullptr;

}  // namespace

DialogService& dialogs() { return current ? *current : real(); }
void setDialogService(DialogService* service) { current = service; }

}  // namespace qv::dialog
