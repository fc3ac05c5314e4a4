#include "TransmitRun.h"

#include "AnalysisDisplay.h"
#include "Generator.h"
#include "SampleFrame.h"
#include "StationSetUp.h"
#include "StationState.h"
#include "Unit1.h"

TStationProfile TransmitterProfile() {
  TStationProfile profile;
  profile.Program = QStringLiteral("sigtx");
  profile.Caption = QStringLiteral("Лабстанція - ПЕРЕДАВАЧ");
  profile.ButtonCaption = QStringLiteral("Generate signals and  start transmission");
  profile.IconPath = QStringLiteral(":/icons/sigtx.png");
  profile.PortName = "COM2";
  profile.SetUp = [](TForm1& form) { SetUpStation(form.State(), form.Profile().DeviceName()); };
  profile.Run = TransmitRun;
  return profile;
}

void TransmitRun(TForm1& form) {
  StationState& state = form.State();
  GenerateSignals(state.Uniform, state.Normal);
  ListSamples(form, state);
  WriteSampleFrame(state.Port, state.Uniform, state.Normal);
  ShowAnalysis(form, state);
}
