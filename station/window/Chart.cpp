#include "Chart.h"

#include <algorithm>
#include <cmath>

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QLineSeries>
#include <QLocale>
#include <QMouseEvent>
#include <QToolTip>
#include <QStackedBarSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include "ChartAxis.h"
#include "NumberText.h"


namespace {

QColor ToQColor(TColor color) {
  return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                static_cast<int>((color >> 16) & 0xFFu));
}

bool Drawable(const TChartPoint& point) {
  return std::isfinite(point.X) && std::isfinite(point.Y);
}

// The label format of the value axes. With localised numbers Qt Charts
// understands only formats with a precision: "%g" would print nothing.
constexpr const char* AxisLabelFormat = "%.6g";

// The axes print numbers as the lists do: with the decimal separator of the
// numeric locale and without digit grouping (the lists never group). Qt's
// idea of the system locale can differ from the C library's, which the lists
// follow (a locale switched while running, or one Qt knows and the C library
// lacks); the lists' separator decides then.
QLocale NumberLocale() {
  const QString separator = QString::fromStdString(LocaleDecimalSeparator());
  QLocale locale = QLocale::system();
  if (locale.decimalPoint() != separator)
    locale = separator == QStringLiteral(",") ? QLocale(QLocale::Ukrainian, QLocale::Ukraine) : QLocale::c();
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}

// Value axes keep a fixed number of ticks: a change of the count makes the
// axis create and destroy its label items, a fixed count only retexts them.
constexpr int TickCount = 5;

// The axis is touched only where something changes.
void SetAxisScale(QValueAxis* axis, const AxisScale& scale) {
  if (axis->min() != scale.Low || axis->max() != scale.High) axis->setRange(scale.Low, scale.High);
}

// How near the mouse must come to a line's point for its tip, in pixels.
constexpr double TipReach = 8;

// A bar series on screen: one stacked set per colour (a set cannot colour its
// bars one by one), each set holding its colour's heights and 0 elsewhere, and
// our own label items, because the category axis elides and merges labels.
struct BarView {
  TBarSeries* Source = nullptr;
  QStackedBarSeries* Bars = nullptr;
  std::vector<QBarSet*> Sets;
  std::vector<QGraphicsSimpleTextItem*> Labels;
};

// A line series on screen: one line per run of points of equal colour; a run
// that follows another starts at the last point of the one before, so the
// line stays joined where the colour changes.
struct LineView {
  TLineSeries* Source = nullptr;
  std::vector<QLineSeries*> Lines;
  std::vector<TDrawnLine> Drawn;
};

}  // namespace

struct TChart::Engine {
  QChartView* View = nullptr;
  QChart* Chart = nullptr;  // owned by View
  std::vector<std::unique_ptr<TChartSeries>> Series;
  std::vector<BarView> Bars;
  std::vector<LineView> Lines;
  QBarCategoryAxis* Categories = nullptr;
  QValueAxis* X = nullptr;
  QValueAxis* Y = nullptr;
  int CategoryCount = 0;
  int UpdateDepth = 0;
  QFont SmallFont;
  TChartTips Tips;

  void Draw();
  void DrawBars(BarView& view, int categories);
  void DrawLine(LineView& view);
  void PlaceLabels();
  QValueAxis* YAxis();
  // The chart item's coordinates of a place in the view's viewport, and back.
  QPointF FromViewport(QPoint place) const { return Chart->mapFromScene(View->mapToScene(place)); }
  QPoint ToViewport(QPointF at) const { return View->mapFromScene(Chart->mapToScene(at)); }
  // Where point `index` of a line stands, in chart item coordinates; false
  // when it is not drawn.
  bool LinePlace(const LineView& view, int index, QPointF& at) const;
};

bool TChart::Engine::LinePlace(const LineView& view, int index, QPointF& at) const {
  const TChartPoint& point = view.Source->Point(index);
  if (view.Lines.empty() || !Drawable(point)) return false;
  at = Chart->mapToPosition(QPointF(point.X, point.Y), view.Lines.front());
  return true;
}

namespace {

// Shows the chart's tip while the mouse moves over it; the tip is a window
// of its own, so the chart draws exactly what it drew before.
class TipWatch : public QObject {
public:
  TipWatch(TChart& chart, QWidget& viewport) : QObject(&viewport), chart_(chart), viewport_(viewport) {
    viewport.setMouseTracking(true);
    viewport.installEventFilter(this);
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseMove) {
      const auto* move = static_cast<QMouseEvent*>(event);
      const QPoint place = move->position().toPoint();
      const QString tip = chart_.TipAt(viewport_.mapTo(&chart_, place));
      if (tip.isEmpty())
        QToolTip::hideText();
      else
        QToolTip::showText(move->globalPosition().toPoint(), tip, &viewport_);
    } else if (event->type() == QEvent::Leave) {
      QToolTip::hideText();
    }
    return QObject::eventFilter(watched, event);
  }

private:
  TChart& chart_;
  QWidget& viewport_;
};

}  // namespace

QValueAxis* TChart::Engine::YAxis() {
  if (!Y) {
    Y = new QValueAxis;
    Y->setLabelFormat(AxisLabelFormat);
    Y->setTickCount(TickCount);
    Y->setLabelsFont(SmallFont);
    Chart->addAxis(Y, Qt::AlignLeft);
  }
  return Y;
}

void TChart::Engine::Draw() {
  const QLocale numbers = NumberLocale();
  if (Chart->locale() != numbers) Chart->setLocale(numbers);
  int categories = 0;
  for (const BarView& view : Bars) categories = std::max(categories, view.Source->Count());
  if (Categories && categories != CategoryCount) {
    QStringList names;
    // Distinct names: equal category names would merge their bars.
    for (int i = 0; i < categories; ++i) names << QString::number(i);
    Categories->setCategories(names);
    CategoryCount = categories;
  }

  ChartRanges ranges;
  for (BarView& view : Bars) {
    DrawBars(view, categories);
    ranges.TakeBars(view.Source->Points());
  }
  for (LineView& view : Lines) {
    DrawLine(view);
    ranges.TakeLine(view.Source->Points());
  }
  // x = 0..99 is kept exactly, its ticks on round numbers; the value axis
  // is widened to round numbers.
  if (X) {
    const AxisScale scale = ExactAxis(ranges.X, TickCount);
    if (X->tickInterval() != scale.Interval) X->setTickInterval(scale.Interval);
    SetAxisScale(X, scale);
  }
  if (Y) SetAxisScale(Y, NiceAxis(ranges.Y, TickCount));
  PlaceLabels();
}

void TChart::Engine::DrawBars(BarView& view, int categories) {
  const std::vector<TChartPoint>& points = view.Source->Points();
  std::vector<TColor> colors;
  for (const TChartPoint& point : points)
    if (std::find(colors.begin(), colors.end(), point.Color) == colors.end())
      colors.push_back(point.Color);

  while (view.Sets.size() < colors.size()) {
    auto* set = new QBarSet(QString());
    view.Bars->append(set);
    view.Sets.push_back(set);
  }
  while (view.Sets.size() > colors.size()) {
    view.Bars->remove(view.Sets.back());  // deletes the set
    view.Sets.pop_back();
  }

  for (std::size_t s = 0; s < colors.size(); ++s) {
    QList<qreal> heights(categories, 0.0);
    for (std::size_t i = 0; i < points.size(); ++i)
      if (points[i].Color == colors[s] && std::isfinite(points[i].Y))
        heights[static_cast<qsizetype>(i)] = points[i].Y;
    QBarSet* set = view.Sets[s];
    if (set->count() == categories) {
      for (int i = 0; i < categories; ++i)
        if (set->at(i) != heights[i]) set->replace(i, heights[i]);
    } else {
      set->remove(0, set->count());
      set->append(heights);
    }
    // Setting an equal colour still makes the chart redraw: compare first.
    const QColor color = ToQColor(colors[s]);
    if (set->color() != color) {
      set->setColor(color);
      set->setBorderColor(color.darker(130));
    }
  }

  while (view.Labels.size() < points.size()) {
    auto* label = new QGraphicsSimpleTextItem(Chart);
    label->setFont(SmallFont);
    view.Labels.push_back(label);
  }
  for (std::size_t i = 0; i < view.Labels.size(); ++i) {
    const bool used = i < points.size();
    view.Labels[i]->setVisible(used);
    const QString text = used ? QString::fromStdString(points[i].Label) : QString();
    if (used && view.Labels[i]->text() != text) view.Labels[i]->setText(text);
  }
}

void TChart::Engine::DrawLine(LineView& view) {
  const std::vector<TChartPoint>& points = view.Source->Points();
  std::vector<QList<QPointF>> runs;
  view.Drawn.clear();
  bool joined = false;  // the previous point is drawable: a stretch can lead from it
  for (std::size_t i = 0; i < points.size(); ++i) {
    const TChartPoint& point = points[i];
    if (!Drawable(point)) {
      joined = false;
      continue;
    }
    const QPointF here(point.X, point.Y);
    if (joined && view.Drawn.back().Color == point.Color) {
      runs.back().append(here);
    } else {
      QList<QPointF> run;
      if (joined) run.append(runs.back().back());  // the stretch into this point
      run.append(here);
      runs.push_back(std::move(run));
      view.Drawn.push_back({point.Color, 0});
    }
    view.Drawn.back().PointCount = static_cast<int>(runs.back().size());
    joined = true;
  }

  while (view.Lines.size() < runs.size()) {
    auto* line = new QLineSeries;
    Chart->addSeries(line);
    line->attachAxis(X);
    line->attachAxis(YAxis());
    view.Lines.push_back(line);
  }
  for (std::size_t r = 0; r < view.Lines.size(); ++r) {
    QLineSeries* line = view.Lines[r];
    if (r < runs.size()) {
      QPen pen(ToQColor(view.Drawn[r].Color));
      pen.setWidthF(1.5);
      if (line->pen() != pen) line->setPen(pen);
      line->replace(runs[r]);
    } else if (line->count() > 0) {
      line->clear();
    }
  }
}

void TChart::Engine::PlaceLabels() {
  const QRectF plot = Chart->plotArea();
  for (const BarView& view : Bars) {
    if (CategoryCount == 0) continue;
    const double step = plot.width() / CategoryCount;
    for (std::size_t i = 0; i < view.Labels.size(); ++i) {
      QGraphicsSimpleTextItem* label = view.Labels[i];
      const QRectF box = label->boundingRect();
      const double centre = plot.left() + (static_cast<double>(i) + 0.5) * step;
      label->setPos(centre - box.width() / 2, plot.bottom() + 2);
    }
  }
}

TChart::TChart(QWidget* parent) : QWidget(parent), engine_(std::make_unique<Engine>()) {
  Engine& e = *engine_;
  e.SmallFont = font();
  e.Chart = new QChart;
  e.Chart->legend()->hide();
  e.Chart->setBackgroundRoundness(0);
  e.Chart->setBackgroundBrush(palette().button());
  e.Chart->setBackgroundPen(Qt::NoPen);
  e.Chart->setDropShadowEnabled(false);
  // The back wall: white brush, but clear, so the wall itself is not filled.
  e.Chart->setPlotAreaBackgroundBrush(Qt::white);
  e.Chart->setPlotAreaBackgroundVisible(false);
  e.Chart->layout()->setContentsMargins(0, 0, 0, 0);
  e.Chart->setMargins(QMargins(2, 0, 6, 2));
  e.Chart->setTitleFont(font());
  e.Chart->setLocalizeNumbers(true);
  e.Chart->setLocale(NumberLocale());
  e.View = new QChartView(e.Chart, this);  // the view owns the chart
  e.View->setFrameShape(QFrame::NoFrame);
  e.View->setRenderHint(QPainter::Antialiasing);
  e.View->setFocusPolicy(Qt::NoFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(e.View);
  QObject::connect(e.Chart, &QChart::plotAreaChanged, e.View, [&e] { e.PlaceLabels(); });
  new TipWatch(*this, *e.View->viewport());
}

TChart::~TChart() {
  // The view and its chart go first: their signals reach into the engine.
  delete engine_->View;
}

void TChart::SetTitle(const QString& title) { engine_->Chart->setTitle(title); }

QString TChart::Title() const { return engine_->Chart->title(); }

TBarSeries& TChart::AddBarSeries() {
  Engine& e = *engine_;
  auto owned = std::make_unique<TBarSeries>([this] { SeriesChanged(); });
  TBarSeries& series = *owned;
  e.Series.push_back(std::move(owned));
  if (!e.Categories) {
    e.Categories = new QBarCategoryAxis;
    // Our own labels stand in place of the axis labels; leave room for them.
    e.Categories->setLabelsVisible(false);
    e.Categories->setGridLineVisible(false);
    e.Chart->addAxis(e.Categories, Qt::AlignBottom);
    QMargins margins = e.Chart->margins();
    margins.setBottom(QFontMetrics(e.SmallFont).height() + 4);
    e.Chart->setMargins(margins);
  }
  BarView view;
  view.Source = &series;
  view.Bars = new QStackedBarSeries;
  view.Bars->setBarWidth(0.7);
  e.Chart->addSeries(view.Bars);
  view.Bars->attachAxis(e.Categories);
  view.Bars->attachAxis(e.YAxis());
  e.Bars.push_back(view);
  return series;
}

TLineSeries& TChart::AddLineSeries() {
  Engine& e = *engine_;
  auto owned = std::make_unique<TLineSeries>([this] { SeriesChanged(); });
  TLineSeries& series = *owned;
  e.Series.push_back(std::move(owned));
  if (!e.X) {
    e.X = new QValueAxis;
    e.X->setLabelFormat(AxisLabelFormat);
    e.X->setTickType(QValueAxis::TicksDynamic);
    e.X->setTickAnchor(0);
    e.X->setLabelsFont(e.SmallFont);
    e.Chart->addAxis(e.X, Qt::AlignBottom);
  }
  e.YAxis();
  LineView view;
  view.Source = &series;
  e.Lines.push_back(view);
  return series;
}

void TChart::BeginUpdate() { ++engine_->UpdateDepth; }

void TChart::EndUpdate() {
  if (engine_->UpdateDepth > 0 && --engine_->UpdateDepth == 0) engine_->Draw();
}

void TChart::SeriesChanged() {
  if (engine_->UpdateDepth == 0) engine_->Draw();
}

std::vector<TDrawnLabel> TChart::DrawnBarLabels() const {
  std::vector<TDrawnLabel> labels;
  for (const BarView& view : engine_->Bars)
    for (const QGraphicsSimpleTextItem* label : view.Labels)
      if (label->isVisible())
        labels.push_back({label->text(), label->mapRectToScene(label->boundingRect())});
  return labels;
}

std::vector<QString> TChart::DrawnAxisLabels() const {
  // The axes draw their labels as text items; the title is one too, and our
  // bar labels are simple text items.
  std::vector<QString> labels;
  for (const QGraphicsItem* item : engine_->Chart->scene()->items()) {
    const auto* text = qgraphicsitem_cast<const QGraphicsTextItem*>(item);
    if (text != nullptr && text->isVisible() && text->toPlainText() != engine_->Chart->title())
      labels.push_back(text->toPlainText());
  }
  return labels;
}

std::vector<TDrawnLine> TChart::DrawnLines() const {
  std::vector<TDrawnLine> lines;
  for (const LineView& view : engine_->Lines)
    lines.insert(lines.end(), view.Drawn.begin(), view.Drawn.end());
  return lines;
}

void TChart::SetTips(TChartTips tips) { engine_->Tips = std::move(tips); }

QString TChart::TipAt(QPoint place) const {
  const Engine& e = *engine_;
  if (!e.Tips) return {};
  const QPointF at = e.FromViewport(e.View->viewport()->mapFrom(this, place));
  const QRectF plot = e.Chart->plotArea();
  // A bar's column runs from the plot's top down to its label under the plot.
  const double labelsBottom = plot.bottom() + QFontMetricsF(e.SmallFont).height() + 4;
  if (e.CategoryCount > 0 && at.x() >= plot.left() && at.x() < plot.right() && at.y() >= plot.top() &&
      at.y() <= labelsBottom) {
    const auto bar = static_cast<int>((at.x() - plot.left()) / (plot.width() / e.CategoryCount));
    for (const BarView& view : e.Bars)
      if (bar < view.Source->Count()) return e.Tips(*view.Source, bar);
  }
  for (const LineView& view : e.Lines) {
    int nearest = -1;
    double reach = TipReach;
    for (int i = 0; i < view.Source->Count(); ++i) {
      QPointF point;
      if (!e.LinePlace(view, i, point)) continue;
      const double distance = std::hypot(point.x() - at.x(), point.y() - at.y());
      if (distance <= reach) {
        reach = distance;
        nearest = i;
      }
    }
    if (nearest >= 0) return e.Tips(*view.Source, nearest);
  }
  return {};
}

QPoint TChart::PlaceOf(const TChartSeries& series, int index) const {
  const Engine& e = *engine_;
  QPointF at;
  for (const BarView& view : e.Bars) {
    if (view.Source != &series || e.CategoryCount == 0) continue;
    const QRectF plot = e.Chart->plotArea();
    at = QPointF(plot.left() + (index + 0.5) * plot.width() / e.CategoryCount, plot.center().y());
  }
  for (const LineView& view : e.Lines)
    if (view.Source == &series) e.LinePlace(view, index, at);
  return e.View->viewport()->mapTo(this, e.ToViewport(at));
}
