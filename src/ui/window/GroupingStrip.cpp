#include "window/GroupingStrip.h"

#include "models/MemDataModel.h"
#include "window/GroupRowsView.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTableView>
#include <QToolButton>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace qm {
namespace {

// A header drag carries the grid it comes from and the column, so that a
// strip takes only its own grid's columns.
const QString kColumnMime = u"application/x-quillmere-grid-column"_s;

}  // namespace

GroupingStrip::GroupingStrip(QTableView& view, MemDataModel& model, QWidget* parent)
    : QFrame(parent), view_(view), model_(model) {
    setObjectName(view.objectName() + u"GroupingStrip"_s);
    setAcceptDrops(true);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(160, 166, 176));
    setPalette(palette);
    setFrameShape(QFrame::NoFrame);
    setMinimumHeight(30);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    hint_ = new QLabel(hintText(), this);
    // A narrow grid cuts the hint rather than being held wide by it.
    hint_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    hint_->setToolTip(hintText());
    QPalette hintPalette = hint_->palette();
    hintPalette.setColor(QPalette::WindowText, QColor(240, 240, 240));
    hint_->setPalette(hintPalette);
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(6, 3, 6, 3);
    layout_->setSpacing(4);
    layout_->addWidget(hint_, 1);
    layout_->addStretch(1);

    rows_ = new GroupRowsView(view_, model_, this);

    QHeaderView* header = view_.horizontalHeader();
    header->viewport()->installEventFilter(this);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& at) {
        const int column = header->logicalIndexAt(at);
        if (column < 0 || isHidden()) {
            return;
        }
        const std::unique_ptr<QMenu> menu = headerMenu(column);
        menu->exec(header->mapToGlobal(at));
    });
    connect(&model_, &QAbstractItemModel::modelReset, this, &GroupingStrip::refresh);
    connect(&model_, &QAbstractItemModel::layoutChanged, this, &GroupingStrip::refresh);
    connect(&model_, &QAbstractItemModel::headerDataChanged, this, &GroupingStrip::refresh);
    refresh();
}

GroupingStrip* GroupingStrip::attachAbove(QTableView& view, MemDataModel& model) {
    QWidget* parent = view.parentWidget();
    auto* strip = new GroupingStrip(view, model, parent);
    if (auto* box = parent != nullptr ? qobject_cast<QBoxLayout*>(parent->layout()) : nullptr) {
        box->insertWidget(std::max(0, box->indexOf(&view)), strip);
    }
    return strip;
}

QString GroupingStrip::hintText() {
    return u"Drag a column header here to group by that column"_s;
}

std::unique_ptr<QMimeData> GroupingStrip::headerDragData(const QTableView& view, int column) {
    auto mime = std::make_unique<QMimeData>();
    mime->setData(kColumnMime, QByteArray::number(reinterpret_cast<quintptr>(&view)) + ' ' +
                                   QByteArray::number(column));
    return mime;
}

void GroupingStrip::groupBy(int column, int at) {
    if (model_.fieldOfColumn(column) < 0) {
        return;
    }
    std::vector<int> columns = model_.groupColumns();
    const auto old = std::find(columns.begin(), columns.end(), column);
    if (old != columns.end()) {
        const int was = static_cast<int>(old - columns.begin());
        columns.erase(old);
        if (at > was) {
            --at;  // the places after it moved up by one
        }
    }
    if (at < 0 || at > static_cast<int>(columns.size())) {
        at = static_cast<int>(columns.size());
    }
    columns.insert(columns.begin() + at, column);
    model_.groupBy(columns);
}

void GroupingStrip::ungroup(int column) {
    std::vector<int> columns = model_.groupColumns();
    std::erase(columns, column);
    model_.groupBy(columns);
}

QStringList GroupingStrip::buttonTexts() const {
    QStringList texts;
    for (const QToolButton* b : buttons_) {
        texts << b->text();
    }
    return texts;
}

QToolButton* GroupingStrip::button(int column) const {
    const std::vector<int> columns = model_.groupColumns();
    const auto it = std::find(columns.begin(), columns.end(), column);
    const auto k = static_cast<std::size_t>(it - columns.begin());
    return it != columns.end() && k < buttons_.size() ? buttons_[k] : nullptr;
}

std::unique_ptr<QMenu> GroupingStrip::headerMenu(int column) {
    auto menu = std::make_unique<QMenu>();
    QAction* group = menu->addAction(u"Group by this column"_s);
    const std::vector<int> columns = model_.groupColumns();
    group->setEnabled(std::find(columns.begin(), columns.end(), column) == columns.end());
    connect(group, &QAction::triggered, this, [this, column] { groupBy(column); });
    return menu;
}

std::unique_ptr<QMenu> GroupingStrip::buttonMenu(int column) {
    auto menu = std::make_unique<QMenu>();
    connect(menu->addAction(u"Ungroup"_s), &QAction::triggered, this,
            [this, column] { ungroup(column); });
    return menu;
}

void GroupingStrip::refresh() {
    const std::vector<int> columns = model_.groupColumns();
    QStringList captions;
    for (const int c : columns) {
        captions << model_.headerData(c, Qt::Horizontal).toString();
    }
    if (captions == buttonTexts()) {
        return;  // most layout changes are sorts: nothing to redo
    }
    for (QToolButton* b : buttons_) {
        // A button's own click may have brought us here.
        layout_->removeWidget(b);
        b->hide();
        b->deleteLater();
    }
    buttons_.clear();
    for (std::size_t k = 0; k < columns.size(); ++k) {
        const int column = columns[k];
        auto* b = new QToolButton(this);
        b->setText(captions[static_cast<qsizetype>(k)]);
        b->setToolTip(u"Click to ungroup"_s);
        b->setAutoRaise(false);
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QToolButton::clicked, this, [this, column] { ungroup(column); });
        connect(b, &QWidget::customContextMenuRequested, this, [this, b, column](const QPoint& at) {
            const std::unique_ptr<QMenu> menu = buttonMenu(column);
            menu->exec(b->mapToGlobal(at));
        });
        layout_->insertWidget(static_cast<int>(k), b);
        buttons_.push_back(b);
    }
    hint_->setVisible(buttons_.empty());
}

int GroupingStrip::draggedColumn(const QMimeData* mime) const {
    if (mime == nullptr || !mime->hasFormat(kColumnMime)) {
        return -1;
    }
    const QList<QByteArray> parts = mime->data(kColumnMime).split(' ');
    bool ok = false;
    if (parts.size() != 2 || parts[0].toULongLong(&ok) != reinterpret_cast<quintptr>(&view_) ||
        !ok) {
        return -1;
    }
    const int column = parts[1].toInt(&ok);
    return ok && model_.fieldOfColumn(column) >= 0 ? column : -1;
}

int GroupingStrip::dropIndex(int x) const {
    int at = 0;
    for (const QToolButton* b : buttons_) {
        if (x < b->geometry().center().x()) {
            break;
        }
        ++at;
    }
    return at;
}

void GroupingStrip::dragEnterEvent(QDragEnterEvent* event) {
    if (draggedColumn(event->mimeData()) >= 0) {
        event->acceptProposedAction();
    }
}

void GroupingStrip::dragMoveEvent(QDragMoveEvent* event) {
    if (draggedColumn(event->mimeData()) >= 0) {
        event->acceptProposedAction();
    }
}

void GroupingStrip::dropEvent(QDropEvent* event) {
    const int column = draggedColumn(event->mimeData());
    if (column < 0) {
        return;
    }
    event->acceptProposedAction();
    groupBy(column, dropIndex(event->position().toPoint().x()));
}

bool GroupingStrip::eventFilter(QObject* watched, QEvent* event) {
    QHeaderView* header = view_.horizontalHeader();
    if (watched != header->viewport() || isHidden()) {
        return QFrame::eventFilter(watched, event);
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        pressedSection_ = mouse->button() == Qt::LeftButton
                              ? header->logicalIndexAt(mouse->position().toPoint())
                              : -1;
        pressedAt_ = mouse->position().toPoint();
    } else if (event->type() == QEvent::MouseButtonRelease) {
        pressedSection_ = -1;
    } else if (event->type() == QEvent::MouseMove && pressedSection_ >= 0) {
        // Only a drag that leaves the header is a column drag: moves along
        // the header resize its sections.
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        const bool left = at.y() < 0 || at.y() >= header->viewport()->height();
        if (left && (at - pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
            const int column = pressedSection_;
            pressedSection_ = -1;
            startHeaderDrag(column);
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void GroupingStrip::startHeaderDrag(int column) {
    QHeaderView* header = view_.horizontalHeader();
    auto* drag = new QDrag(header->viewport());
    drag->setMimeData(headerDragData(view_, column).release());  // the drag owns it
    const int x = header->sectionViewportPosition(column);
    drag->setPixmap(
        header->viewport()->grab(QRect(x, 0, header->sectionSize(column), header->height())));
    drag->exec(Qt::MoveAction);
    // The drag took the release: tell the header its press is over, away
    // from every section so that it does not count as a click.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &release);
}

}  // namespace qm
