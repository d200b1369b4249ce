// Painting the image window: a full 800 x 512 client area of a 6000 x 4000 picture at 100 %
// and at 25 %, first the band renderer alone, then with the bands copied into the window's
// 32-bit picture, and (with Qt) that picture drawn the way the widget draws it. The goal is a
// paint well inside one 60 Hz frame (16 ms). The statistics pass that a paint adds while the
// refresh flag is set is timed apart.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "bench_support.h"
#include "view/render.h"

#ifdef ORVA_BENCH_QT
#include <QImage>
#include <QPainter>
#endif

namespace orva {
namespace {

using namespace bench;  // the picture size and helpers all benchmarks share
constexpr int kClientWidth = 800, kClientHeight = 512;
constexpr int kWindowHeight = kClientHeight - 24;

ImageRecord& Picture() {
    static ImageRecord rec = bench::MakeGradient(kWidth, kHeight, 5);
    return rec;
}

void Prepare(benchmark::State& state) {
    ImageRecord& rec = Picture();
    rec.zoom = static_cast<int>(state.range(0));
    rec.scroll_x = 1200;  // somewhere in the middle: no white border to skip
    rec.scroll_y = 900;
}

void BM_RenderBands(benchmark::State& state) {
    Prepare(state);
    RenderScratch scratch;
    std::size_t bytes = 0;
    for (auto _ : state) {
        RenderImage(Picture(), kClientWidth, kClientHeight, scratch,
                    [&](const Band& b) { bytes += b.stride * static_cast<std::size_t>(b.rows); });
        benchmark::DoNotOptimize(scratch.band.data());
    }
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_RenderBands)->Arg(100)->Arg(25)->Unit(benchmark::kMillisecond);

void BM_RenderWindow(benchmark::State& state) {
    Prepare(state);
    RenderScratch scratch;
    std::vector<uint32_t> pixels(std::size_t{kClientWidth} * kWindowHeight);
    Surface surface{pixels.data(), kClientWidth, kWindowHeight, kClientWidth};
    for (auto _ : state) {
        std::fill(pixels.begin(), pixels.end(), 0xff808080u);
        RenderImage(Picture(), kClientWidth, kClientHeight, scratch,
                    [&](const Band& b) { CopyBandToSurface(b, surface); });
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_RenderWindow)->Arg(100)->Arg(25)->Arg(300)->Unit(benchmark::kMillisecond);

#ifdef ORVA_BENCH_QT
// The widget's whole paint without the markers: grey fill, bands into the kept QImage, and
// the QImage drawn onto a same-sized target standing in for the window's backing store.
void BM_PaintWithQt(benchmark::State& state) {
    Prepare(state);
    RenderScratch scratch;
    QImage frame(kClientWidth, kWindowHeight, QImage::Format_RGB32);
    QImage target(kClientWidth, kWindowHeight, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        frame.fill(QColor(128, 128, 128));
        Surface surface{reinterpret_cast<uint32_t*>(frame.bits()), frame.width(), frame.height(),
                        static_cast<std::size_t>(frame.bytesPerLine()) / sizeof(uint32_t)};
        RenderImage(Picture(), kClientWidth, kClientHeight, scratch,
                    [&](const Band& b) { CopyBandToSurface(b, surface); });
        QPainter painter(&target);
        painter.drawImage(0, 0, frame);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PaintWithQt)->Arg(100)->Arg(25)->Arg(300)->Unit(benchmark::kMillisecond);
#endif

// Maximum, minimum and mean of the three planes: paid by every paint while the refresh flag
// is set.
void BM_ChannelStats(benchmark::State& state) {
    ImageRecord& rec = Picture();
    for (auto _ : state) {
        ComputeChannelStats(rec);
        benchmark::DoNotOptimize(rec.mean_level.data());
    }
}
BENCHMARK(BM_ChannelStats)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orva
