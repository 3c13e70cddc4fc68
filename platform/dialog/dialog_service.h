#pragma once
// Every message box and file dialog of the program goes through here, so
// tests can put a recorder in place and nothing ever blocks on a modal window.
#include <QString>

class QWidget;

namespace qv::dialog {

class DialogService {
public:
    virtual ~DialogService() = default;
    // A message box with an OK button and no icon, owned by owner.
    virtual void message(QWidget* owner, const QString& caption, const QString& text) = 0;
    // Empty when the user cancels.
    virtual QString saveFileName(QWidget* owner, const QString& title, const QString& directory,
                                 const QString& filter) = 0;
    virtual QString openFileName(QWidget* owner, const QString& title, const QString& directory,
                                 const QString& filter) = 0;
};

DialogService& dialogs();
// Replaces the service (tests); nullptr puts the real dialogs back.
void setDialogService(DialogService* service);

}  // namespace qv::dialog
