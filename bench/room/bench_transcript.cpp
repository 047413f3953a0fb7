// Appending one chat line to a transcript that already holds 1,000 lines (the baseline)
// and 100,000 lines: a long conversation must not make each new line slower. The second
// pair also repaints the view after every line, the most a line can cost on screen (the
// window system coalesces repaints when lines arrive faster than frames).

#include "CTranscriptView.h"
#include "ChatLines.h"
#include "GbkText.h"
#include "QtBenchmarkMain.h"
#include "Records.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

UserEntry Speaker()
{
    UserEntry u;
    SetField(u.nick, GbkFromUtf8("小明"));
    SetField(u.ip, "10.1.2.3");
    u.sex = 0;
    return u;
}

void Run(benchmark::State& state, bool repaint)
{
    CTranscriptView view;
    view.resize(480, 320);
    view.show();
    const UserEntry speaker = Speaker();
    const std::string text = GbkFromUtf8("大家好, this is a line of a long conversation");
    for (int64_t i = 0; i < state.range(0); ++i)
        ShowPublicLine(view, speaker, text);
    QApplication::processEvents();
    for (auto _ : state) {
        ShowPublicLine(view, speaker, text);
        if (repaint)
            view.viewport()->repaint();
    }
    state.counters["lines"] = static_cast<double>(state.range(0));
}

void BM_AppendLine(benchmark::State& state) { Run(state, false); }
void BM_AppendLineAndRepaint(benchmark::State& state) { Run(state, true); }

BENCHMARK(BM_AppendLine)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendLineAndRepaint)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return RunQtBenchmarks<QApplication>(argc, argv); }
