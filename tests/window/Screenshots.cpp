// Writes pictures of both station windows for the README:
//   window_screenshots <directory>    -> <directory>/sigtx.png, sigrx.png after one run,
//                                        sigrx-errors.png, compare-box.png after a run on a noisy cable
// Run with QT_QPA_PLATFORM=offscreen; the stations are linked by ptys, then by
// a siglink cable that flips bits.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "CableRun.h"
#include "CompareRun.h"
#include "PtyLine.h"
#include "ReceiveRun.h"
#include "SampleFrame.h"
#include "TransmitRun.h"
#include "Unit1.h"
#include "WaitUntil.h"

namespace {

TStationProfile On(TStationProfile profile, const std::string& port) {
  profile.PortName = port;
  return profile;
}

// A run whose frame met bit errors, its marks in view, and the compare
// with the run the transmitter saved.
bool NoisyRun(const QDir& out) {
  // Seed 3 flips 4 bits of a frame at this rate, none of them in a mark.
  CableFaults noisy;
  noisy.NoiseRate = 5e-4;
  noisy.NoiseSeed = 3;
  CableRun cable(false, noisy);
  TForm1 tx(On(TransmitterProfile(), cable.cable.First().Path()));
  TForm1 rx(On(ReceiverProfile(), cable.cable.Second().Path()));
  tx.show();
  rx.show();
  tx.Button1->click();
  using namespace std::chrono_literals;
  if (!WaitUntil([&] { return cable.cable.Carried() >= static_cast<long long>(FRAME_SIZE); }, 5000ms)) return false;
  rx.Button1->click();
  for (QPlainTextEdit* memo : {rx.Memo1, rx.Memo2})
    if (auto* badge = memo->findChild<QLabel*>("UnsendableBadge"); badge && badge->isVisible())
      QTest::mouseClick(badge, Qt::LeftButton);  // the first mark in view

  QTemporaryDir saved;
  tx.SetSaveDialogs([&](QWidget*, const QString&) { return saved.filePath("sigtx-run"); }, nullptr);
  tx.SaveRun();
  const std::unique_ptr<QMessageBox> box = MakeCompareBox(&rx, rx.CompareWithSavedRun(saved.filePath("sigtx-run.csv")));
  box->show();
  QApplication::processEvents();
  return rx.grab().save(out.filePath("sigrx-errors.png")) && box->grab().save(out.filePath("compare-box.png"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_screenshots <directory>\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  {
    PtyLine txLine, rxLine;
    PtyRelay relay(txLine, rxLine);
    TForm1 tx(On(TransmitterProfile(), txLine.Path()));
    TForm1 rx(On(ReceiverProfile(), rxLine.Path()));
    tx.show();
    rx.show();
    tx.Button1->click();
    if (!rxLine.WaitQueued(static_cast<int>(FRAME_SIZE))) return 1;
    rx.Button1->click();
    QApplication::processEvents();
    if (!tx.grab().save(out.filePath("sigtx.png")) || !rx.grab().save(out.filePath("sigrx.png"))) return 1;
  }
  return NoisyRun(out) ? 0 : 1;
}
