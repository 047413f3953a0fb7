#pragma once
// The main of every benchmark program that needs a Qt application object. Widgets draw
// off-screen unless a platform was chosen.

#include <benchmark/benchmark.h>

#include <cstdlib>

template <class App> int RunQtBenchmarks(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    App app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
