#pragma once
// A tray shell that shows nothing and records every request with a copy of
// the record, for tests of the icon and of everything that drives it.

#include "tray/tray_shell.h"

#include <QList>

class RecordingTrayShell : public TrayShell {
public:
    enum class Op { Add, Modify, Remove };
    struct Request {
        Op op;
        NotifyRecord record;
    };

    bool add(const NotifyRecord& record) override {
        requests_.append({Op::Add, record});
        return acceptAdd_;
    }
    void modify(const NotifyRecord& record) override { requests_.append({Op::Modify, record}); }
    void remove(const NotifyRecord& record) override { requests_.append({Op::Remove, record}); }

    void setAcceptAdd(bool accept) { acceptAdd_ = accept; }
    const QList<Request>& requests() const { return requests_; }
    void clear() { requests_.clear(); }
    // Requests that asked the shell to show a balloon (records carrying NIF_INFO).
    QList<NotifyRecord> balloons() const {
        QList<NotifyRecord> out;
        for (const auto& r : requests_)
            if (r.op == Op::Modify && r.record.has(notify::NIF_INFO)) out.append(r.record);
        return out;
    }

private:
    QList<Request> requests_;
    bool acceptAdd_ = true;
};
