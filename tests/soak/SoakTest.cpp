// The soak: a transmitting and a receiving station in one process, worked as
// at the lab bench (one receive per transmission) for many frames in a row.
// Every receive run must list and chart exactly what its transmission sent,
// memory may grow only by the text the memos hold, and a run may not get
// slower as the memos fill.
//
//   soak_test unpacedSoak   SIG_SOAK_FRAMES frames (default 1000) over pseudo-terminals
//   soak_test pacedSoak     SIG_SOAK_PACED_FRAMES frames (default 20) over the
//                           paced virtual cable (9600 8N1, 1.25 s a frame)
//
// The longer run is tools/soak. Figures are printed as QINFO lines.
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

#include "AnalysisDisplay.h"
#include "ChartSeries.h"
#include "CableRun.h"
#include "Generator.h"
#include "PtyLine.h"
#include "ReceiveRun.h"
#include "SampleFrame.h"
#include "StationState.h"
#include "StationView.h"
#include "TransmitRun.h"
#include "Unit1.h"
#include "WaitUntil.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of bytes in use (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using Clock = std::chrono::steady_clock;

int FramesFromEnvironment(const char* name, int fallback) {
  const char* text = std::getenv(name);
  const int value = text ? std::atoi(text) : 0;
  return value > 0 ? value : fallback;
}

// Bytes the program holds from the allocator now. The sanitizer's allocator
// keeps its own books; glibc's statistics see only its own heap.
double HeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return static_cast<double>(__sanitizer_get_current_allocated_bytes());
#else
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
#endif
}

double ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

constexpr double MiB = 1024.0 * 1024.0;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// One run's listing and charts, as the window shows them.
struct RunView {
  QStringList Uniform, Normal;
  std::vector<std::vector<TChartPoint>> Series;
};

// The run's last 200 lines of each memo (not the whole document, which
// holds 200 lines a run and would make the soak quadratic) and the series.
RunView CaptureRun(const TForm1& form) {
  return RunView{LastLines(form.Memo1, SAMPLE_COUNT), LastLines(form.Memo2, SAMPLE_COUNT),
                 SeriesPoints(form)};
}

// Why two views differ, or an empty string when they do not.
QString Difference(const RunView& sent, const RunView& shown) {
  if (sent.Uniform != shown.Uniform) return QStringLiteral("Memo1 differs");
  if (sent.Normal != shown.Normal) return QStringLiteral("Memo2 differs");
  for (std::size_t s = 0; s < sent.Series.size(); ++s)
    if (!SamePoints(sent.Series[s], shown.Series[s])) return QStringLiteral("Series%1 differs").arg(s + 1);
  return {};
}

qint64 MemoChars(const TForm1& form) {
  return form.Memo1->document()->characterCount() + form.Memo2->document()->characterCount();
}

// A station window on `port` whose error reports are kept, shown on screen.
struct Station : RecordingStation {
  Station(TStationProfile profile, const std::string& port)
      : RecordingStation(std::move(profile), port) {
    Form.show();
  }
};

// The transmitting station with a new seed every run instead of the clock's
// second: a soak of a thousand runs within a few seconds would otherwise send
// a handful of distinct frames, and a stale listing could pass for a new one.
// The steps are those of the transmit run.
TStationProfile SeededTransmitter() {
  TStationProfile profile = TransmitterProfile();
  profile.Run = [seed = std::uint32_t{1'700'000'000}](TForm1& form) mutable {
    StationState& state = form.State();
    GenerateSignals(state.Uniform, state.Normal, seed++);
    ListSamples(form, state);
    WriteSampleFrame(state.Port, state.Uniform, state.Normal);
    ShowAnalysis(form, state);
  };
  return profile;
}

bool WaitForFrame(TCommPort& port, int timeoutMs) {
  return WaitUntil([&] { return port.InputCount() >= FRAME_SIZE; }, std::chrono::milliseconds(timeoutMs));
}

}  // namespace

class SoakTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

  void unpacedSoak() {
    const int frames = FramesFromEnvironment("SIG_SOAK_FRAMES", 1000);
    QVERIFY(frames >= 100);
    PtyLine txLine, rxLine;
    PtyRelay relay(txLine, rxLine);
    Station tx(SeededTransmitter(), txLine.Path());
    Station rx(ReceiverProfile(), rxLine.Path());

    // The first runs fill caches (fonts, glyphs, chart items) that stay; the
    // memory baseline is taken after them.
    constexpr int warmUp = 5;
    double txHeap = 0, rxHeap = 0, baseHeap = 0, baseResident = 0;
    qint64 txBaseChars = 0, rxBaseChars = 0;
    std::vector<double> txTimes, rxTimes;
    RunView previous;
    const auto started = Clock::now();

    for (int run = 1; run <= frames; ++run) {
      if (run == warmUp + 1) {
        baseHeap = HeapBytes();
        baseResident = ResidentBytes();
        txBaseChars = MemoChars(tx.Form);
        rxBaseChars = MemoChars(rx.Form);
      }
      double before = HeapBytes();
      auto clock = Clock::now();
      tx.Form.Button1->click();
      txTimes.push_back(Ms(Clock::now() - clock));
      // Each window repaints after its run, as it does for an operator; what
      // the painting keeps counts for that station.
      QCoreApplication::processEvents();
      if (run > warmUp) txHeap += HeapBytes() - before;

      QVERIFY2(rxLine.WaitQueued(static_cast<int>(FRAME_SIZE), 10000),
               qPrintable(QString("run %1: the frame did not arrive").arg(run)));

      before = HeapBytes();
      clock = Clock::now();
      rx.Form.Button1->click();
      rxTimes.push_back(Ms(Clock::now() - clock));
      QCoreApplication::processEvents();
      if (run > warmUp) rxHeap += HeapBytes() - before;

      const RunView sent = CaptureRun(tx.Form);
      const RunView shown = CaptureRun(rx.Form);
      const QString difference = Difference(sent, shown);
      QVERIFY2(difference.isEmpty(), qPrintable(QString("run %1: %2").arg(run).arg(difference)));
      QVERIFY2(sent.Normal != previous.Normal,
               qPrintable(QString("run %1 sent run %2's frame").arg(run).arg(run - 1)));
      const StationState& sender = tx.Form.State();
      const StationState& receiver = rx.Form.State();
      QVERIFY(std::memcmp(&sender.Uniform, &receiver.Uniform, sizeof(UniformSamples)) == 0);
      QVERIFY(std::memcmp(&sender.Normal, &receiver.Normal, sizeof(NormalSamples)) == 0);
      QCOMPARE(rxLine.Queued(), 0);
      QCOMPARE(rx.Form.Memo1->document()->blockCount(), SAMPLE_COUNT * run);
      QCOMPARE(rx.Form.Memo2->document()->blockCount(), SAMPLE_COUNT * run);
      previous = sent;
    }
    QVERIFY(tx.Reports.isEmpty());
    QVERIFY(rx.Reports.isEmpty());

    // An operator's Ctrl+Z in a memo must not take a run's listing back.
    for (QPlainTextEdit* memo : {rx.Form.Memo1, rx.Form.Memo2, tx.Form.Memo1}) {
      memo->setFocus();
      QTest::keyClick(memo, Qt::Key_Z, Qt::ControlModifier);
      QCOMPARE(memo->document()->blockCount(), SAMPLE_COUNT * frames);
    }

    // Memory: what the memos gained as UTF-16 text, what each station's runs
    // kept from the allocator, and how much of that the memos give back when
    // emptied. Only the memos may hold on to memory.
    const double txText = 2.0 * static_cast<double>(MemoChars(tx.Form) - txBaseChars);
    const double rxText = 2.0 * static_cast<double>(MemoChars(rx.Form) - rxBaseChars);
    const double lines = 2.0 * SAMPLE_COUNT * (frames - warmUp);
    const double totalHeap = HeapBytes() - baseHeap;
    const double resident = ResidentBytes() - baseResident;
    const auto empty = [](TForm1& form) {
      const double before = HeapBytes();
      form.Memo1->clear();
      form.Memo2->clear();
      QCoreApplication::processEvents();
      return before - HeapBytes();
    };
    const double txMemos = empty(tx.Form);
    const double rxMemos = empty(rx.Form);
    const double kept = HeapBytes() - baseHeap;

    const auto first = [](const std::vector<double>& v) { return Median({v.begin(), v.begin() + 50}); };
    const auto last = [](const std::vector<double>& v) { return Median({v.end() - 50, v.end()}); };
    qInfo("%d frames in %.1f s", frames, Ms(Clock::now() - started) / 1000.0);
    qInfo("transmit run: median of the first 50 %.2f ms, of the last 50 %.2f ms",
          first(txTimes), last(txTimes));
    qInfo("receive run:  median of the first 50 %.2f ms, of the last 50 %.2f ms",
          first(rxTimes), last(rxTimes));
    qInfo("memo text gained: transmitter %.1f MiB, receiver %.1f MiB (%.0f lines in each station's memos)",
          txText / MiB, rxText / MiB, lines);
    qInfo("heap kept by the runs: transmitter %.1f MiB, receiver %.1f MiB; whole process %.1f MiB, "
          "resident %.1f MiB", txHeap / MiB, rxHeap / MiB, totalHeap / MiB, resident / MiB);
    qInfo("given back by emptying the memos: transmitter %.1f MiB, receiver %.1f MiB; "
          "heap still kept %.1f MiB", txMemos / MiB, rxMemos / MiB, kept / MiB);

    // Generous bounds: a loaded machine or a sanitizer slows every run alike,
    // but a run whose cost grows with the runs before it shows here.
    QVERIFY(last(txTimes) <= 3 * first(txTimes) + 5);
    QVERIFY(last(rxTimes) <= 3 * first(rxTimes) + 5);
    // The document keeps a few hundred bytes of bookkeeping per line besides
    // the text itself.
    QVERIFY(txHeap <= 3 * txText + 512 * lines + 8 * MiB);
    QVERIFY(rxHeap <= 3 * rxText + 512 * lines + 8 * MiB);
    QVERIFY(txHeap - txMemos <= 8 * MiB);
    QVERIFY(rxHeap - rxMemos <= 8 * MiB);
    QVERIFY(kept <= 8 * MiB);
  }

  void pacedSoak() {
    const int frames = FramesFromEnvironment("SIG_SOAK_PACED_FRAMES", 20);
    CableRun line(true);
    Station tx(TransmitterProfile(), line.cable.First().Path());
    Station rx(ReceiverProfile(), line.cable.Second().Path());

    std::vector<double> frameTimes;
    RunView previous;
    int repeated = 0;
    for (int run = 1; run <= frames; ++run) {
      const auto pressed = Clock::now();
      tx.Form.Button1->click();
      QVERIFY2(WaitForFrame(rx.Form.State().Port, 10000),
               qPrintable(QString("run %1: the frame did not arrive").arg(run)));
      frameTimes.push_back(Ms(Clock::now() - pressed));
      rx.Form.Button1->click();
      QCoreApplication::processEvents();

      const RunView sent = CaptureRun(tx.Form);
      const QString difference = Difference(sent, CaptureRun(rx.Form));
      QVERIFY2(difference.isEmpty(), qPrintable(QString("run %1: %2").arg(run).arg(difference)));
      QCOMPARE(rx.Form.State().Port.InputCount(), 0u);
      QCOMPARE(rx.Form.Memo2->document()->blockCount(), SAMPLE_COUNT * run);
      // A run takes longer than a second here, so the clock seeds each one
      // afresh; the same frame twice would mean a run within one second.
      if (sent.Normal == previous.Normal) ++repeated;
      previous = sent;
    }
    QVERIFY(tx.Reports.isEmpty());
    QVERIFY(rx.Reports.isEmpty());
    qInfo("%d frames on the paced cable: press -> whole frame queued, median %.0f ms, "
          "longest %.0f ms; %d repeated",
          frames, Median(frameTimes), *std::max_element(frameTimes.begin(), frameTimes.end()), repeated);
    QCOMPARE(repeated, 0);
  }
};

QTEST_MAIN(SoakTest)
#include "SoakTest.moc"
