#pragma once
// Records the program's error messages instead of showing them, for as long as
// it lives.

#include "text/error_box.h"

#include <QString>
#include <QStringList>

#include <mutex>
#include <utility>

class ErrorBoxRecorder {
public:
    ErrorBoxRecorder() {
        previous_ = errorbox::setPresenter([this](const QString& title, const QString& text) {
            std::lock_guard lock(mutex_);
            titles_.append(title);
            texts_.append(text);
        });
    }
    ~ErrorBoxRecorder() { errorbox::setPresenter(std::move(previous_)); }
    ErrorBoxRecorder(const ErrorBoxRecorder&) = delete;
    ErrorBoxRecorder& operator=(const ErrorBoxRecorder&) = delete;

    QStringList texts() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }
    QStringList titles() const {
        std::lock_guard lock(mutex_);
        return titles_;
    }
    int count() const {
        std::lock_guard lock(mutex_);
        return static_cast<int>(texts_.size());
    }

private:
    mutable std::mutex mutex_;
    QStringList titles_;
    QStringList texts_;
    errorbox::Presenter previous_;
};
