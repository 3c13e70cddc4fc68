#pragma once
// Every message box and file dialog of the program goes through here, so
// tests can put a recorder in place and nothing ever blocks on a modal window.
#include <QString>

class QFileDialog;
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

// Prepares Qt's own file dialog for a filter as the pages give it: entries
// "description (pattern)" show their description alone.
void setUpFileDialog(QFileDialog& dialog, const QString& filter);

// Qt's own texts (file dialogs, standard buttons) in the program's language:
// 0 German, 1 English, 2 French. English and unknown values leave Qt's own
// English; false when the installed translation cannot be loaded.
bool setDialogLanguage(int language);

}  // namespace qv::dialog
