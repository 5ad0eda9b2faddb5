#include "PaneArea.h"

#include <cmath>
#include <QMouseEvent>
#include <QTextEdit>

namespace display {

PaneArea::PaneArea(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PaneArea"));
    for (int i = 0; i < 2; ++i) {
        Splitter[i] = new QFrame(this);
        Splitter[i]->setObjectName(QStringLiteral("Splitter(%1)").arg(i));
        Splitter[i]->setFrameShape(QFrame::HLine);
        Splitter[i]->setFrameShadow(QFrame::Raised);
        Splitter[i]->setCursor(Qt::SplitVCursor);
        Splitter[i]->setToolTip(QStringLiteral("drag to change the sizes of the receive panes"));
        Splitter[i]->installEventFilter(this);
    }
}

void PaneArea::setPane(int i, QWidget* pane) {
    if (i < 0 || i > 2) return;
    panes_[i] = pane;
    if (pane) pane->setParent(this);
    for (QFrame* s : Splitter)
        s->raise();
    LayoutFromFractions();
}

QWidget* PaneArea::pane(int i) const {
    return i >= 0 && i <= 2 ? panes_[i] : nullptr;
}

void PaneArea::setMode(PaneMode mode) {
    mode_ = mode;
    LayoutFromFractions();
}

void PaneArea::setFractions(const PanePercentage& f) {
    fractions_ = f;
    LayoutFromFractions();
}

int PaneArea::minimumPaneHeight(int i) const {
    const QWidget* pane = this->pane(i);
    if (!pane) return 0;
    int line = pane->fontMetrics().lineSpacing();
    int frame = 0;
    for (const QTextEdit* edit : pane->findChildren<QTextEdit*>()) {
        line = std::max(line, edit->fontMetrics().lineSpacing());
        frame = std::max(frame, 2 * edit->frameWidth() +
                                    2 * int(std::ceil(edit->document()->documentMargin())));
    }
    return 2 * line + frame;
}

std::array<Span, 2> PaneArea::splitterSpans() const {
    std::array<Span, 2> s;
    for (int i = 0; i < 2; ++i)
        s[size_t(i)] = {Splitter[i]->y(), Splitter[i]->height()};
    return s;
}

void PaneArea::LayoutFromFractions() {
    const int n = paneCount(mode_);
    int minPane = 0;
    for (int i = 0; i < n; ++i)
        minPane = std::max(minPane, minimumPaneHeight(i));
    const int minArea = n * minPane + (n - 1) * kSplitterHeight;
    if (minimumHeight() != minArea) setMinimumHeight(minArea);
    const PaneGeometry g = LayoutPanes(area(), kSplitterHeight, mode_, fractions_, minPane);
    const int used = n - 1;
    for (int i = 0; i < 2; ++i) {
        const Span& s = g.splitters[size_t(i)];
        Splitter[i]->setGeometry(0, s.top, width(), std::max(s.height, 0));
        Splitter[i]->setVisible(i < used);
        splitterDragging_[i] = false;
    }
    UpdatePaneSplits(false);
}

PaneSplitResult PaneArea::UpdatePaneSplits(bool store) {
    PanePercentage scratch = fractions_;
    PaneSplitResult r =
        display::UpdatePaneSplits(area(), mode_, splitterSpans(), store ? fractions_ : scratch);
    place(r.panes);
    if (store && LogEvent)
        for (const QString& line : r.eventLog)
            LogEvent(line);
    emit panesPlaced();
    return r;
}

void PaneArea::place(const std::array<Span, 3>& panes) {
    const int n = paneCount(mode_);
    for (int i = 0; i < 3; ++i) {
        if (!panes_[i]) continue;
        const Span& p = panes[size_t(i)];
        panes_[i]->setGeometry(0, p.top, width(), p.height);
        panes_[i]->setVisible(i < n && p.height > 0);
    }
}

void PaneArea::moveSplitter(int i, int y) {
    const auto top = DragSplitter(area(), mode_, splitterSpans(), i, y);
    if (top) Splitter[i]->move(0, *top);
}

void PaneArea::Splitter_MouseDown(int i) {
    if (i < 0 || i > 1) return;
    splitterDragging_[i] = true;
}

void PaneArea::Splitter_MouseMove(int i, int y) {
    if (i < 0 || i > 1 || !splitterDragging_[i]) return;
    moveSplitter(i, y);
}

void PaneArea::Splitter_MouseUp(int i, int y) {
    if (i < 0 || i > 1 || !splitterDragging_[i]) return;
    moveSplitter(i, y);
    splitterDragging_[i] = false;
    UpdatePaneSplits(true);
}

void PaneArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutFromFractions();
}

bool PaneArea::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 0; i < 2; ++i) {
        if (watched != Splitter[i]) continue;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                Splitter_MouseDown(i);
                return true;
            }
            break;
        case QEvent::MouseMove:
            if (splitterDragging_[i]) {
                Splitter_MouseMove(i, int(static_cast<QMouseEvent*>(event)->position().y()));
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
                splitterDragging_[i]) {
                Splitter_MouseUp(i, int(static_cast<QMouseEvent*>(event)->position().y()));
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace display
