// The reader: drains the bridge's receive queue about every 10 ms on its own
// thread and hands each batch to the UI thread, which appends it to the log.
#include "engine/tf_main.h"

#include "device/d2xx_unit.h"
#include "logstore/log_model.h"
#include "text/buffer_text.h"
#include "text/codepage.h"
#include "thread/thread_priority.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {
constexpr auto kPollInterval = std::chrono::milliseconds(10);
}

void TfMain::WorkerThread1Start(TWorkerThread*, TWorkerExecuteThread*, void*& Data) {
    Data = log_;
}

void TfMain::WorkerThread1Execute(TWorkerThread*, TWorkerExecuteThread* Thread, void*& Data) {
    // Named, so that the benchmarks find its counters (one read per batch).
    threadpriority::nameCurrent("reader");
    try {
        readerLoop(Thread, Data);
    } catch (...) {
        // Without its reader the link is dead: show it closed so that the
        // watchdog looks for the simulator again.
        if (Connected) CloseSimulator();
    }
}

void TfMain::readerLoop(TWorkerExecuteThread* thread, void*& data) {
    QByteArray cycleBytes;
    for (;;) {
        // After a failed query the cycle goes on with the count on record, whose
        // read then fails as well: that is the same lost link, closed once.
        const bool queryFailed = D2XXUnit::GetFTDeviceQueueStatus() != FT_OK;
        if (queryFailed) CloseSimulator();
        const DWORD waiting = D2XXUnit::RxQueueBytes;
        if (waiting != 0) {
            // More may wait than the receive buffer holds: read it in
            // buffer-sized pieces, in order, within this cycle.
            DWORD taken = 0;
            while (taken < waiting) {
                const DWORD piece = std::min<DWORD>(waiting - taken, D2XXUnit::kTransferBufferSize);
                FT_STATUS status = FT_OK;
                const DWORD got = D2XXUnit::ReadFTDevice(piece, &status);
                if (status != FT_OK) {
                    if (!queryFailed) CloseSimulator();
                    cycleBytes.resize(0);  // a failed read drops the cycle's bytes
                    break;
                }
                // Only the bytes the driver delivered: the rest of the buffer
                // holds an older read's bytes.
                AppendBufferText(cycleBytes, D2XXUnit::ReceiveBuffer, got);
                if (got < piece) break;  // what is missing comes in the next cycle
                taken += got;
            }
            // Both buffers keep their memory from one batch to the next.
            RxText.resize(0);
            codepage::decodeAppend(cycleBytes, RxText);
            thread->CallSynchronized(data, handOff_);
        }
        cycleBytes.resize(0);
        std::this_thread::sleep_for(kPollInterval);
        if (thread->Terminated()) return;
    }
}

void TfMain::SynchroFuncData1(TWorkerThread*, TWorkerExecuteThread*, void*& Data) {
    if (auto* log = static_cast<LogModel*>(Data)) log->append(RxText);
}
