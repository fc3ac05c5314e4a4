// Writes pictures of both station windows after one run, for the README:
//   window_screenshots <directory>    -> <directory>/sigtx.png, sigrx.png
// Run with QT_QPA_PLATFORM=offscreen; the stations are linked by ptys.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QPushButton>

#include "PtyLine.h"
#include "ReceiveRun.h"
#include "SampleFrame.h"
#include "TransmitRun.h"
#include "Unit1.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: window_screenshots <directory>\n");
    return 2;
  }
  PtyLine txLine, rxLine;
  PtyRelay relay(txLine, rxLine);
  TStationProfile txProfile = TransmitterProfile();
  txProfile.PortName = txLine.Path();
  TStationProfile rxProfile = ReceiverProfile();
  rxProfile.PortName = rxLine.Path();
  TForm1 tx(txProfile);
  TForm1 rx(rxProfile);
  tx.show();
  rx.show();
  tx.Button1->click();
  if (!rxLine.WaitQueued(static_cast<int>(FRAME_SIZE))) return 1;
  rx.Button1->click();
  QApplication::processEvents();
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const bool saved = tx.grab().save(out.filePath("sigtx.png")) && rx.grab().save(out.filePath("sigrx.png"));
  return saved ? 0 : 1;
}
