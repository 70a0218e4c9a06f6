// Tessavo - cleaning of Leica GSI measurement files.
#pragma once

#include <QList>
#include <functional>

#include "Dialogs.h"

// Answers the window's dialogs from a script and records what was asked.
class FakeDialogs final : public tessavo::Dialogs {
  public:
    struct FileRequest {
        bool save = false;
        tessavo::FileDialogRequest request;
    };

    QList<tessavo::Message> messages;
    QList<FileRequest> fileRequests;
    // Answers in order; when the script runs out a message is answered Ok and a file
    // dialog is cancelled. Nothing in a file answer means Cancel.
    QList<tessavo::MessageAnswer> messageAnswers;
    QList<std::optional<QString>> fileAnswers;

    tessavo::MessageAnswer showMessage(QWidget*, const tessavo::Message& message) override {
        messages << message;
        return messageAnswers.isEmpty() ? tessavo::MessageAnswer::Ok : messageAnswers.takeFirst();
    }
    std::optional<QString> getOpenFileName(QWidget*,
                                           const tessavo::FileDialogRequest& request) override {
        return answerFile(false, request);
    }
    std::optional<QString> getSaveFileName(QWidget*,
                                           const tessavo::FileDialogRequest& request) override {
        return answerFile(true, request);
    }

  private:
    std::optional<QString> answerFile(bool save, const tessavo::FileDialogRequest& request) {
        fileRequests << FileRequest{save, request};
        return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.takeFirst();
    }
};
