#pragma once
// Records message boxes and answers file dialogs from a script.
#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "platform/dialog/dialog_service.h"

namespace qv::test {

struct FakeDialogs : qv::dialog::DialogService {
    struct Box {
        QString caption, text;
    };
    std::vector<Box> boxes;
    std::deque<QString> fileAnswers;  // next file dialog answers, empty = cancel
    std::vector<QString> fileTitles;
    // What happens while a box is open (the user takes time to read it).
    std::function<void()> whileShown;

    void message(QWidget*, const QString& caption, const QString& text) override {
        boxes.push_back({caption, text});
        if (whileShown) whileShown();
    }
    QString saveFileName(QWidget*, const QString& title, const QString&, const QString&) override { return answer(title); }
    QString openFileName(QWidget*, const QString& title, const QString&, const QString&) override { return answer(title); }

    QString answer(const QString& title) {
        fileTitles.push_back(title);
        if (fileAnswers.empty()) return {};
        QString a = fileAnswers.front();
        fileAnswers.pop_front();
        return a;
    }
    int countOf(const QString& text) const {
        int n = 0;
        for (const auto& b : boxes) n += b.text == text;
        return n;
    }
};

// The one recorder of a test binary, installed by qtApp().
inline FakeDialogs& fakeDialogs() {
    static FakeDialogs dialogs;
    return dialogs;
}

}  // namespace qv::test
