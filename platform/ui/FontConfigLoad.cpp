#include "platform/ui/FontConfigLoad.h"

#include <fontconfig/fontconfig.h>

#include <thread>

namespace ui {

namespace {

// Joined when awaited, and at the latest when the program ends.
struct TLoad {
    std::thread Thread;
    ~TLoad() { Await(); }
    void Await() {
        if (Thread.joinable()) Thread.join();
    }
};

TLoad& Load() {
    static TLoad load;
    return load;
}

}  // namespace

void BeginFontConfigLoad() {
    TLoad& load = Load();
    if (load.Thread.joinable()) return;
    try {
        load.Thread = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to spare: Qt reads the configuration itself when it first needs it.
    }
}

void AwaitFontConfigLoad() { Load().Await(); }

}  // namespace ui
