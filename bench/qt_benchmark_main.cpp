// The main of the benchmarks that paint with Qt: they need a QGuiApplication, and no
// display of their own unless one is asked for.
#include <QGuiApplication>
#include <benchmark/benchmark.h>

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
