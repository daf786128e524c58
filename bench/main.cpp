// The benchmark program: what a player waits for, each figure beside a plain-Qt baseline
// measured in the same run. Runs on Qt's offscreen platform in a data folder of its own.

#include "app/images.h"
#include "bench/benchapp.h"
#include "bench/figures.h"
#include "gui/driver.h"
#include "gui/toolkit.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>

namespace
{
// Every question is answered with OK and nothing ends the process: a struck cell is entered,
// and the end-of-game question starts the next game.
class TAnswerOk : public TSystemDriver
{
public:
  void Notify(const QString&, int) override {}
  int Confirm(const QString&, int) override { return 1; }
  int Proceed(const QString&, int) override { return 1; }
  int OpenURL(const QString&) override { return 1; }
  void EndProgram(int) override {}
};

// The offscreen platform cannot raise windows and says so on every start; the report stays
// readable without it.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
  if (text.contains("does not support raise()")) return;
  qt_message_output(type, context, text);
}
} // namespace

int main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
  QTemporaryDir data;
  if (!data.isValid()) return 1;
  qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
    qputenv("XDG_RUNTIME_DIR", data.path().toLocal8Bit());
  qInstallMessageHandler(QuietHandler);

  RegisterImages();
  InitToolkit();
  SetSystemDriver(std::make_unique<TAnswerOk>());

  // For the start-up script: the controls of the two-player game window, for its baseline.
  if (argc > 1 && std::strcmp(argv[1], "--controls") == 0) {
    auto app = StartGame(2);
    std::printf("%s", qPrintable(ControlsToText(CountControls(app->Window))));
    StopGame(app);
    return 0;
  }
  // For the start-up script: the data folder of a returning pair of players whose game of 40
  // turns is under way in the record, played through the game.
  if (argc > 2 && std::strcmp(argv[1], "--record") == 0) {
    qputenv("XDG_DATA_HOME", QByteArray(argv[2]));
    auto app = StartGame(2);
    PlayTurns(*app, 40);
    StopGame(app);
    return 0;
  }

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TFigureReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintTable();
  benchmark::Shutdown();
  return 0;
}
