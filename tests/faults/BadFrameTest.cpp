// Damaged frames at the receiving station, written byte by byte into its
// line: nothing crashes or is reported, the receiver shows exactly what the
// bytes carry, the charts stay drawable, and later good frames display as
// sent.
#include <bit>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>

#include <QTest>

#include "FaultStation.h"
#include "NumberText.h"
#include "ReceiveRun.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutInt(Bytes& bytes, int value) {
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void PutFloat(Bytes& bytes, float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The receiver with a sender for its good frames, after one good frame.
struct Bench {
  Sender sender;
  PtyLine line;
  FaultStation rx{ReceiverProfile(), line.Path()};
};

// The window renders as a picture of its full size.
bool Drawable(TForm1& form) {
  form.show();
  QCoreApplication::processEvents();
  const QImage picture = form.grab().toImage();
  return !picture.isNull() && picture.size() == QSize(945, 631);
}

float CountSum(const std::array<float, BIN_COUNT>& counts) {
  float sum = 0;
  for (float c : counts) sum += c;
  return sum;
}

}  // namespace

class BadFrameTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

  void garbageFirstByte_data() {
    QTest::addColumn<int>("garbage");
    QTest::newRow("0") << 0;
    QTest::newRow("float mark") << int{FRAME_FLOAT_MARK};
    QTest::newRow("255") << 255;
  }

  // A byte that is not the frame mark ahead of a whole frame: one press
  // takes that byte and changes nothing, the next shows the frame.
  void garbageFirstByte() {
    QFETCH(int, garbage);
    Bench b;
    GoodRunShowsWhatWasSent(b.sender, b.rx, b.line, true);
    if (QTest::currentTestFailed()) return;
    const Screen before = Capture(b.rx.Form);

    Bytes bytes{static_cast<std::uint8_t>(garbage)};
    const Bytes frame = b.sender.Frame();
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    b.line.SendByteByByte(bytes);
    QVERIFY(b.line.WaitQueued(static_cast<int>(bytes.size())));
    b.rx.Press();
    QCOMPARE(b.line.Queued(), static_cast<int>(FRAME_SIZE));
    QVERIFY(SameScreen(before, Capture(b.rx.Form)));
    QVERIFY(b.rx.Form.State().Port.IsOpen());  // a bad mark is no lost device

    b.rx.Press();
    QCOMPARE(b.line.Queued(), 0);
    QCOMPARE(LastLines(b.rx.Form.Memo1, 200), LastLines(b.sender.Tx.Form.Memo1, 200));
    QCOMPARE(LastLines(b.rx.Form.Memo2, 200), LastLines(b.sender.Tx.Form.Memo2, 200));
    // Both stations listed and charted the same two frames.
    QVERIFY(SameScreen(Capture(b.sender.Tx.Form), Capture(b.rx.Form)));
    QVERIFY(b.rx.Reports.isEmpty());
  }

  void shortFrame_data() {
    QTest::addColumn<int>("pairs");
    QTest::addColumn<bool>("floatMark");
    QTest::addColumn<int>("floats");
    QTest::addColumn<int>("tail");  // bytes of one more, incomplete sample
    QTest::newRow("short sections") << 50 << true << 30 << 0;
    QTest::newRow("mark only") << 0 << false << 0 << 0;
    QTest::newRow("no float mark") << 80 << false << 0 << 0;
    QTest::newRow("cut inside a float") << 200 << true << 10 << 3;
    QTest::newRow("cut inside a pair") << 120 << false << 0 << 1;
  }

  // A frame that stops early: the entries it reaches change, the rest keep
  // the previous frame's values, and an incomplete last sample is dropped.
  void shortFrame() {
    QFETCH(int, pairs);
    QFETCH(bool, floatMark);
    QFETCH(int, floats);
    QFETCH(int, tail);
    Bench b;
    GoodRunShowsWhatWasSent(b.sender, b.rx, b.line, true);
    if (QTest::currentTestFailed()) return;
    QStringList uniform = LastLines(b.rx.Form.Memo1, 200);
    QStringList normal = LastLines(b.rx.Form.Memo2, 200);

    Bytes bytes{FRAME_INT_MARK};
    for (int i = 0; i < pairs; ++i) {
      PutInt(bytes, 1000 + 2 * i);  // even: a low byte of 233 would end the section
      uniform[i] = Text(IntToStr(1000 + 2 * i));
    }
    if (floatMark) bytes.push_back(FRAME_FLOAT_MARK);
    for (int i = 0; i < floats; ++i) {
      const float value = -0.5f * static_cast<float>(i) - 0.25f;
      PutFloat(bytes, value);
      normal[i] = Text(FloatToStr(value));
    }
    for (int i = 0; i < tail; ++i) bytes.push_back(0x41);
    b.line.SendByteByByte(bytes);
    QVERIFY(b.line.WaitQueued(static_cast<int>(bytes.size())));
    QVERIFY(b.rx.Press() < 5.0);
    QCOMPARE(b.line.Queued(), 0);
    QCOMPARE(LastLines(b.rx.Form.Memo1, 200), uniform);
    QCOMPARE(LastLines(b.rx.Form.Memo2, 200), normal);
    QCOMPARE(b.rx.Form.Series1->Count(), 10);
    QCOMPARE(b.rx.Form.Series6->Count(), 100);
    QVERIFY(b.rx.Form.State().Port.IsOpen());  // a short frame is no lost device

    GoodRunShowsWhatWasSent(b.sender, b.rx, b.line, false);
    if (QTest::currentTestFailed()) return;
    QVERIFY(b.rx.Reports.isEmpty());
  }

  // 300 pairs before the float mark: the first 200 are kept, the surplus is
  // read and dropped, and the float section still starts at the mark.
  void integerSectionLongerThan200Pairs() {
    Bench b;
    Bytes bytes{FRAME_INT_MARK};
    QStringList uniform, normal;
    for (int i = 0; i < 300; ++i) {
      PutInt(bytes, 2 * i);
      if (i < SAMPLE_COUNT) uniform << Text(IntToStr(2 * i));
    }
    bytes.push_back(FRAME_FLOAT_MARK);
    for (int i = 0; i < SAMPLE_COUNT; ++i) {
      const float value = 0.125f * static_cast<float>(i);
      PutFloat(bytes, value);
      normal << Text(FloatToStr(value));
    }
    b.line.SendByteByByte(bytes);
    QVERIFY(b.line.WaitQueued(static_cast<int>(bytes.size())));
    b.rx.Press();
    QCOMPARE(b.line.Queued(), 0);
    QCOMPARE(b.rx.Form.Memo1->document()->blockCount(), 200);
    QCOMPARE(LastLines(b.rx.Form.Memo1, 200), uniform);
    QCOMPARE(LastLines(b.rx.Form.Memo2, 200), normal);

    GoodRunShowsWhatWasSent(b.sender, b.rx, b.line, false);
    if (QTest::currentTestFailed()) return;
    QVERIFY(b.rx.Reports.isEmpty());
  }

  void extremeFloats_data() {
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<int>("uniform");  // every integer sample; -1: as the sender drew them
    const float inf = std::numeric_limits<float>::infinity();
    QTest::newRow("1e30") << QList<float>{1e30f} << -1;
    QTest::newRow("NaN and infinities")
        << QList<float>{std::numeric_limits<float>::quiet_NaN(), inf, -inf} << -1;
    QTest::newRow("200 x 1e30") << QList<float>(200, 1e30f) << 7;
    // A NaN at 98 reaches every cross sum of lags 0..98 (sample j + k = 98):
    // lag 99 alone is drawn, so its chart's range is one large value.
    QList<float> nanThenLarge(200, 1e30f);
    nanThenLarge[98] = std::numeric_limits<float>::quiet_NaN();
    QTest::newRow("NaN, then 1e30") << nanThenLarge << -1;
    QList<float> infinities;
    for (int i = 0; i < 100; ++i) infinities << inf << -inf;
    QTest::newRow("200 x +-Inf") << infinities << 7;
  }

  // A frame whose first floats (or all of them) are extreme: they are listed
  // as they came, the normal range takes them in and keeps them for later
  // runs, every chart still draws, and the window goes on answering.
  void extremeFloats() {
    QFETCH(QList<float>, values);
    QFETCH(int, uniform);
    Bench b;
    Bytes frame = b.sender.Frame();
    QCOMPARE(frame.size(), FRAME_SIZE);
    QStringList integers = LastLines(b.sender.Tx.Form.Memo1, 200);
    QStringList normal = LastLines(b.sender.Tx.Form.Memo2, 200);
    if (uniform >= 0) {
      for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
        frame[1 + 2 * i] = static_cast<std::uint8_t>(uniform & 0xFF);
        frame[2 + 2 * i] = static_cast<std::uint8_t>(uniform >> 8);
      }
      integers.fill(Text(IntToStr(uniform)));
    }
    for (int i = 0; i < values.size(); ++i) {
      const auto bits = std::bit_cast<std::uint32_t>(values[i]);
      for (int k = 0; k < 4; ++k)
        frame[402 + 4 * static_cast<std::size_t>(i) + static_cast<std::size_t>(k)] =
            static_cast<std::uint8_t>(bits >> (24 - 8 * k));
      normal[i] = Text(FloatToStr(values[i]));
    }
    b.line.SendByteByByte(frame);
    QVERIFY(b.line.WaitQueued(static_cast<int>(FRAME_SIZE)));
    b.rx.Press();
    QCOMPARE(LastLines(b.rx.Form.Memo1, 200), integers);
    QCOMPARE(LastLines(b.rx.Form.Memo2, 200), normal);
    const SignalAnalysis& analysis = b.rx.Form.State().Analysis;
    QCOMPARE(CountSum(analysis.NormalCounts), 200.0f);
    QCOMPARE(b.rx.Form.Series2->Count(), 10);
    QCOMPARE(b.rx.Form.Series4->Count(), 100);
    QVERIFY(Drawable(b.rx.Form));
    const double max = analysis.NormalMax;
    const double min = analysis.NormalMin;
    for (float value : values)
      if (!std::isnan(value)) QVERIFY(min <= double{value} && double{value} <= max);

    // A later ordinary frame: listed as sent; the range it is charted over
    // still holds the extreme values.
    GoodRunShowsWhatWasSent(b.sender, b.rx, b.line, false);
    if (QTest::currentTestFailed()) return;
    QVERIFY(std::memcmp(&max, &analysis.NormalMax, sizeof max) == 0);
    QVERIFY(std::memcmp(&min, &analysis.NormalMin, sizeof min) == 0);
    QCOMPARE(CountSum(analysis.NormalCounts), 200.0f);
    QVERIFY(Drawable(b.rx.Form));
    QVERIFY(b.rx.Reports.isEmpty());
  }

  // Two whole frames waiting: the first press shows the first, the second
  // press the second, each exactly as sent.
  void twoFramesQueued() {
    Bench b;
    Bytes bytes = b.sender.Frame();
    const QStringList firstUniform = LastLines(b.sender.Tx.Form.Memo1, 200);
    const QStringList firstNormal = LastLines(b.sender.Tx.Form.Memo2, 200);
    const Bytes second = b.sender.Frame();
    bytes.insert(bytes.end(), second.begin(), second.end());
    QCOMPARE(bytes.size(), 2 * FRAME_SIZE);
    b.line.SendByteByByte(bytes);
    QVERIFY(b.line.WaitQueued(static_cast<int>(bytes.size())));

    b.rx.Press();
    QCOMPARE(b.line.Queued(), static_cast<int>(FRAME_SIZE));
    QCOMPARE(LastLines(b.rx.Form.Memo1, 200), firstUniform);
    QCOMPARE(LastLines(b.rx.Form.Memo2, 200), firstNormal);
    b.rx.Press();
    QCOMPARE(b.line.Queued(), 0);
    QVERIFY(SameScreen(Capture(b.sender.Tx.Form), Capture(b.rx.Form)));
    QVERIFY(b.rx.Reports.isEmpty());
  }
};

QTEST_MAIN(BadFrameTest)
#include "BadFrameTest.moc"
