// ShowImage then TakeImage of the largest views, in the core alone and with
// the Qt widget refreshed as the GUI does it.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>

#include "app/main_form.h"
#include "app/qt_dialogs.h"
#include "app/view_bridge.h"
#include "link/pause.h"
#include "log/clock.h"
#include "images/images.h"
#include "images/views.h"
#include "log/operator_dialogs.h"

namespace {

struct Setup {
  fw::ChipRecord chip;
  fw::Images images;
  fw::SilentDialogs dialogs;
  fw::Workspace ws{chip, images, dialogs};
  Setup() {
    const fw::ChipEntry* e = fw::FindChipByName("PIC16F1847");  // 16384 + 1024 bytes
    chip.Assign(*e, e->IdWord);
    ws.view(1).ViewSize = chip.ProgramSize;
    ws.view(6).ViewSize = chip.ConfigSize;
    ws.view(6).AddressBase = chip.ConfigBase;
    ws.RenderView(1);
    ws.RenderView(6);
    for (std::uint32_t i = 0; i < chip.ProgramSize / 2; ++i) {
      fw::SetWordAt(images.ProgramImage, i, static_cast<std::uint16_t>((i * 37) & 0x3FFF));
    }
  }
};

void CoreRoundTrip(benchmark::State& state) {
  Setup s;
  const int view = static_cast<int>(state.range(0));
  const int kind = view == 1 ? fw::kProgramImage : fw::kConfigImage;
  for (auto _ : state) {
    s.ws.ShowImage(view, kind);
    s.ws.TakeImage(view, kind);
    benchmark::DoNotOptimize(s.images.ProgramImage.data());
  }
  state.SetLabel(view == 1 ? "program view, 16384 bytes" : "config view, 1024 bytes");
}
BENCHMARK(CoreRoundTrip)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond);

void WidgetRoundTrip(benchmark::State& state) {
  Setup s;
  const int view = static_cast<int>(state.range(0));
  const int kind = view == 1 ? fw::kProgramImage : fw::kConfigImage;
  QPlainTextEdit widget;
  widget.setLineWrapMode(QPlainTextEdit::NoWrap);
  widget.resize(600, 400);
  widget.show();
  ViewBridge bridge(&widget, &s.ws.view(view));
  bridge.Sync(true);
  for (auto _ : state) {
    s.ws.ShowImage(view, kind);
    bridge.Sync(true);
    QApplication::processEvents();  // let it paint
    s.ws.TakeImage(view, kind);
  }
  state.SetLabel(view == 1 ? "program view, 16384 bytes" : "config view, 1024 bytes");
}
BENCHMARK(WidgetRoundTrip)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond);

// The whole window: the progress window opened and closed by each copy, the
// pages hidden and shown, the widget refreshed and painted.
void WindowRoundTrip(benchmark::State& state) {
  fw::SystemClock clock;
  fw::RealPause pause;
  QtDialogs dialogs;
  fw::AppState app(clock, pause, dialogs, [](const std::string&, std::string*) { return nullptr; });
  TForm1 form(app, dialogs, {}, "ttyUSB0");
  form.show();
  form.ChipMenuItemClick(0x1480);  // PIC16F1847: 16384 program bytes
  QApplication::processEvents();
  for (std::uint32_t i = 0; i < app.chip.ProgramSize / 2; ++i) {
    fw::SetWordAt(app.images.ProgramImage, i, static_cast<std::uint16_t>((i * 37) & 0x3FFF));
  }
  for (auto _ : state) {
    app.workspace.ShowImage(1, fw::kProgramImage);
    form.SyncFromCore();
    QApplication::processEvents();
    app.workspace.TakeImage(1, fw::kProgramImage);
  }
  state.SetLabel("program view, 16384 bytes, with the progress window");
}
BENCHMARK(WindowRoundTrip)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
