// Benchmark: building a form's window region from its skin bitmap (SetBitmapWindow).
//
// Usage: zuvi-skin-region-bench <program folder> [runs]
// Prints the median time per call for the main-window and settings backgrounds: the scan
// into runs, the region united run by run (BitmapRegion), the same region from a balanced
// tree of unions, and the whole SetBitmapWindow on a form (region applied to the window).

#include "platform/ui/Forms.h"
#include "skin/Sspublic.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace zuvi::ui;
using namespace zuvi::skin;

namespace {

double medianMs(int runs, const std::function<void()>& fn)
{
    std::vector<double> t;
    t.reserve(std::size_t(runs));
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        fn();
        t.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: zuvi-skin-region-bench <program folder> [runs]\n");
        return 2;
    }
    const QString bin = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 51;
    TApplication app(argc, argv);
    TForm* form = CreateForm<TForm>(nullptr, nullptr);

    std::printf("%-20s %-8s %5s %9s %11s %9s %19s\n", "background", "size", "runs", "scan ms", "region ms",
        "tree ms", "SetBitmapWindow ms");
    for (const char* file : {"skins/form1_bg.bmp", "skins/form3_bg.bmp"}) {
        TBitmap bmp;
        bmp.LoadFromFile(bin + "/" + file);
        const std::size_t nRuns = BitmapRuns(bmp, clFuchsia).size();
        const double scan = medianMs(runs, [&] { (void)BitmapRuns(bmp, clFuchsia); });
        const double region = medianMs(runs, [&] { (void)BitmapRegion(bmp, clFuchsia); });
        const double tree = medianMs(runs, [&] {
            std::vector<TRegion> level;
            for (const TRect& run : BitmapRuns(bmp, clFuchsia))
                level.push_back(TRegion::FromRect(run.Left, run.Top, run.Right, run.Bottom));
            while (level.size() > 1) {
                std::vector<TRegion> next;
                for (std::size_t i = 0; i + 1 < level.size(); i += 2) {
                    next.push_back(level[i]);
                    next.back().Unite(level[i + 1]);
                }
                if (level.size() % 2)
                    next.push_back(level.back());
                level.swap(next);
            }
        });
        const double apply = medianMs(runs, [&] { SetBitmapWindow(form, bmp, clFuchsia); });
        const QString size = QStringLiteral("%1x%2").arg(bmp.Width()).arg(bmp.Height());
        std::printf("%-20s %-8s %5zu %9.3f %11.3f %9.3f %19.3f\n", file + 6, qPrintable(size), nRuns, scan, region,
            tree, apply);
    }
    form->Free();
    return 0;
}
