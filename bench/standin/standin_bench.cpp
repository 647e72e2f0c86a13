// standin_bench [--folders N] [--per-folder N] [--body chars] [--calls N] [--out-of-process 1]
// Under Wine: how long the Outlook stand-in takes to load a generated profile, and how many
// late-bound calls per second it serves, in process or out of process (its host, attached to as
// a running Outlook is; there the defaults are one folder of 1,000 items and 2,000 calls).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchClock.h"
#include "BenchOutlook.h"
#include "ProfileGenerator.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/Variant.h"

using namespace gleaner;

using standin_bench::Now;

int main(int argc, char** argv)
{
    bool outOfProcess = false;
    for (int i = 1; i + 1 < argc; i += 2)
        if (!std::strcmp(argv[i], "--out-of-process")) outOfProcess = std::atoi(argv[i + 1]) != 0;
    standin_bench::GeneratorOptions options;
    options.folders = outOfProcess ? 1 : 10;
    options.itemsPerFolder = outOfProcess ? 1000 : 10000;
    long calls = outOfProcess ? 2000 : 1000000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--folders")) options.folders = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--per-folder")) options.itemsPerFolder = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--body")) options.bodySize = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--calls")) calls = std::atol(argv[i + 1]);
    }
    ComInit com;

    double t0 = Now();
    std::string text = standin_bench::GenerateProfile(options);
    double t1 = Now();
    const int items = options.folders * options.itemsPerFolder;
    std::printf("generated %d items, %.1f MB, in %.2f s; Outlook %s\n", items, text.size() / 1e6, t1 - t0,
                outOfProcess ? "OUT OF PROCESS" : "in process");

    {
        // The profile is read when the Application is created (out of process: when the host starts).
        double a = Now();
        standin_bench::BenchOutlook outlook(text, outOfProcess);
        text.clear();
        Dispatch app = outlook.application();
        Dispatch ns = app.callObject(L"GetNamespace", L"MAPI");
        double b = Now();
        std::printf("load: %.2f s for %d items (%.0f items/s)\n", b - a, items, items / (b - a));

        Dispatch inbox = ns.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders").callObject(L"Item", 1);
        Dispatch item = inbox.getObject(L"Items").callObject(L"Item", 1);

        // Invoke with the DISPID looked up once, as a client that caches DISPIDs calls.
        DISPID id = item.dispId(L"Subject");
        DISPPARAMS none{};
        a = Now();
        for (long i = 0; i < calls; ++i) {
            Variant result;
            item.get()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.put(), nullptr,
                               nullptr);
        }
        b = Now();
        std::printf("Invoke (cached DISPID), Subject: %.0f calls/s (%.3f ms each)\n", calls / (b - a),
                    1000 * (b - a) / calls);

        // Through the program's own helper: a name look-up and an Invoke per call.
        a = Now();
        for (long i = 0; i < calls; ++i) item.get(L"Subject");
        b = Now();
        std::printf("Dispatch::get(\"Subject\"): %.0f calls/s (%.3f ms each)\n", calls / (b - a), 1000 * (b - a) / calls);

        // A walk that reads every item as a search would: Item(i), EntryID, Size, MessageClass, Subject.
        long walked = 0, made = 0;
        a = Now();
        Dispatch folders = ns.getObject(L"Folders").callObject(L"Item", 1).getObject(L"Folders");
        for (int f = 1, nf = folders.get(L"Count").toInt(); f <= nf; ++f) {
            Dispatch list = folders.callObject(L"Item", f).getObject(L"Items");
            for (int i = 1, n = list.get(L"Count").toInt(); i <= n; ++i) {
                Dispatch it = list.callObject(L"Item", i);
                it.get(L"EntryID");
                it.get(L"Size");
                it.get(L"MessageClass");
                it.get(L"Subject");
                ++walked;
                made += 5;
            }
        }
        b = Now();
        std::printf("walk: %ld items in %.2f s (%.0f items/s, %.0f calls/s)\n", walked, b - a, walked / (b - a),
                    made / (b - a));
        a = Now();
        item.reset();
        inbox.reset();
        folders.reset();
        ns.reset();
        app.reset();
        b = Now();
        std::printf("release: %.3f s\n", b - a);
    }
    return 0;
}
