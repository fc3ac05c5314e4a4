#include "ListMarks.h"

#include <algorithm>
#include <functional>

#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextBlock>

#include "SendableSamples.h"

namespace {

// A count over the list; a click runs `Clicked`.
class TMarkBadge : public QLabel {
public:
  TMarkBadge(QPlainTextEdit& list, const char* name, const QColor& color) : QLabel(&list) {
    setObjectName(QLatin1String(name));
    // By name: a tooltip would take a plain rule as its own.
    setStyleSheet(QStringLiteral("#%1 { background: %2; border: 1px solid %3; padding: 0 3px; }")
                      .arg(objectName(), color.name(), color.darker(160).name()));
    setCursor(Qt::PointingHandCursor);
    QFont small = font();
    small.setPixelSize(10);
    setFont(small);
    hide();
  }
  std::function<void()> Clicked;

protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && Clicked) Clicked();
  }
};

}  // namespace

struct TListMarks::List {
  QPlainTextEdit* Edit = nullptr;
  // The start of the first line of the last listing, and of the charted
  // run's; cursors move with the list's text when it is edited.
  QTextCursor Listing;
  QTextCursor ChartedListing;
  std::vector<int> Unsendable;
  std::vector<int> Differing;
  TMarkBadge* UnsendableBadge = nullptr;
  TMarkBadge* DifferingBadge = nullptr;

  // The line of sample `index` of the listing that starts at `start`.
  QTextBlock LineOf(const QTextCursor& start, int index) const {
    if (start.isNull()) return {};
    return Edit->document()->findBlockByNumber(start.block().blockNumber() + index);
  }

  void Show();
  void ShowBadges();
  void ShowFirst(const QTextCursor& start, const std::vector<int>& marked);
};

namespace {

QTextEdit::ExtraSelection Mark(const QTextBlock& line, const QColor& color, bool wholeWidth) {
  QTextEdit::ExtraSelection mark;
  mark.cursor = QTextCursor(line);
  if (!wholeWidth) mark.cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  mark.format.setBackground(color);
  mark.format.setProperty(QTextFormat::FullWidthSelection, wholeWidth);
  return mark;
}

}  // namespace

void TListMarks::List::Show() {
  QList<QTextEdit::ExtraSelection> marks;
  std::vector<int> differingLines;
  for (int index : Differing) {
    const QTextBlock line = LineOf(ChartedListing, index);
    if (!line.isValid()) continue;
    marks << Mark(line, DifferenceMarkColor, true);
    differingLines.push_back(line.blockNumber());
  }
  // A line that is both keeps the difference's colour beside its text.
  for (int index : Unsendable) {
    const QTextBlock line = LineOf(Listing, index);
    if (!line.isValid()) continue;
    const bool alsoDiffers = std::find(differingLines.begin(), differingLines.end(), line.blockNumber()) != differingLines.end();
    marks << Mark(line, UnsendableMarkColor, !alsoDiffers);
  }
  Edit->setExtraSelections(marks);
  ShowBadges();
}

void TListMarks::List::ShowBadges() {
  const QRect view = Edit->viewport()->geometry();
  int top = view.top() + 2;
  const struct {
    TMarkBadge* badge;
    std::size_t count;
    const char* text;
  } badges[] = {{UnsendableBadge, Unsendable.size(), Unsendable.size() == 1 ? "%1 error" : "%1 errors"},
                {DifferingBadge, Differing.size(), "%1 differ"}};
  for (const auto& b : badges) {
    b.badge->setVisible(b.count > 0);
    if (b.count == 0) continue;
    b.badge->setText(QString::fromLatin1(b.text).arg(b.count));
    b.badge->adjustSize();
    b.badge->move(view.right() - b.badge->width() - 1, top);
    b.badge->raise();
    top += b.badge->height() + 2;
  }
}

void TListMarks::List::ShowFirst(const QTextCursor& start, const std::vector<int>& marked) {
  if (marked.empty()) return;
  const QTextBlock line = LineOf(start, marked.front());
  if (!line.isValid()) return;
  Edit->setTextCursor(QTextCursor(line));
  Edit->centerCursor();
}

TListMarks::TListMarks(QPlainTextEdit& uniformList, QPlainTextEdit& normalList) {
  // The set's table is built now, with the window, not in the first run.
  IsSendableNormal(0.0F);
  QPlainTextEdit* edits[2] = {&uniformList, &normalList};
  for (int i = 0; i < 2; ++i) {
    auto list = std::make_unique<List>();
    List& l = *list;
    l.Edit = edits[i];
    l.UnsendableBadge = new TMarkBadge(*l.Edit, "UnsendableBadge", UnsendableMarkColor);
    l.UnsendableBadge->setToolTip(QStringLiteral("Samples of the run just listed that no transmitter sends: "
                                                 "the frame was damaged on the line. A click shows the first."));
    l.UnsendableBadge->Clicked = [&l] { l.ShowFirst(l.Listing, l.Unsendable); };
    l.DifferingBadge = new TMarkBadge(*l.Edit, "DifferingBadge", DifferenceMarkColor);
    l.DifferingBadge->setToolTip(QStringLiteral("Samples of the charted run that differ from the saved run it "
                                                "was compared with. A click shows the first."));
    l.DifferingBadge->Clicked = [&l] { l.ShowFirst(l.ChartedListing, l.Differing); };
    lists_[i] = std::move(list);
  }
}

TListMarks::~TListMarks() = default;

void TListMarks::Listed(const UniformSamples& uniform, const NormalSamples& normal) {
  const TUnsendableSamples unsendable = FindUnsendableSamples(uniform, normal);
  const std::vector<int>* found[2] = {&unsendable.Uniform, &unsendable.Normal};
  for (int i = 0; i < 2; ++i) {
    List& l = *lists_[i];
    QTextDocument& document = *l.Edit->document();
    const QTextBlock first = document.findBlockByNumber(std::max(0, document.blockCount() - SAMPLE_COUNT));
    l.Listing = QTextCursor(first);
    l.Unsendable = *found[i];
    l.Differing.clear();
    // Nothing was marked and nothing is: the common case costs no redraw.
    if (l.Unsendable.empty() && l.Edit->extraSelections().isEmpty() && l.UnsendableBadge->isHidden() &&
        l.DifferingBadge->isHidden())
      continue;
    l.Show();
  }
}

void TListMarks::Charted() {
  for (const std::unique_ptr<List>& l : lists_) l->ChartedListing = l->Listing;
}

void TListMarks::MarkDifferences(const std::vector<int>& uniform, const std::vector<int>& normal) {
  lists_[0]->Differing = uniform;
  lists_[1]->Differing = normal;
  for (const std::unique_ptr<List>& l : lists_) l->Show();
}
