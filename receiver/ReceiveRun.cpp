#include "ReceiveRun.h"

#include "AnalysisDisplay.h"
#include "SampleFrame.h"
#include "StationSetUp.h"
#include "StationState.h"
#include "Unit1.h"

TStationProfile ReceiverProfile() {
  TStationProfile profile;
  profile.Program = QStringLiteral("sigrx");
  profile.Caption = QStringLiteral("Лабстанція - ПРИЙМАЧ");
  profile.ButtonCaption = QStringLiteral("Start recieve");
  profile.IconPath = QStringLiteral(":/icons/sigrx.png");
  profile.PortName = "COM3";
  profile.SetUp = [](TForm1& form) { SetUpStation(form.State(), form.Profile().DeviceName()); };
  profile.Run = ReceiveRun;
  return profile;
}

void ReceiveRun(TForm1& form) {
  StationState& state = form.State();
  if (!ReadSampleFrame(state.Port, state.Uniform, state.Normal)) return;
  ListSamples(form, state);
  ShowAnalysis(form, state);
}
