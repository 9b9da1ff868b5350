#include "controls/DataGrid.h"

#include "controls/Colours.h"
#include "controls/Prompts.h"
#include "db/DataSet.h"
#include "db/DateTimeText.h"
#include "db/NumberText.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QPainter>

namespace controls {

DataSetModel::DataSetModel(db::DataSet& set, QObject* parent)
    : QAbstractTableModel(parent), set_(&set)
{
    connect(&set, &db::DataSet::rowsReset, this, [this] {
        beginResetModel();
        endResetModel();
    });
    connect(&set, &db::DataSet::rowChanged, this, [this](int row) {
        if (row >= 0 && !columns_.empty())
            emit dataChanged(index(row, 0), index(row, int(columns_.size()) - 1));
    });
}

void DataSetModel::setColumns(std::vector<GridColumn> columns)
{
    beginResetModel();
    columns_ = std::move(columns);
    endResetModel();
}

QString DataSetModel::fieldText(int row, const QString& field, const QString& dateTimeFormat) const
{
    const db::Field* f = set_ ? set_->findField(field) : nullptr;
    if (!f)
        return {};
    const QVariant v = set_->value(row, f->index());
    if (v.isNull())
        return {};
    if (f->type() == db::FieldType::DateTime && !dateTimeFormat.isEmpty())
        return db::toDateTime(v.toDouble()).toString(dateTimeFormat);
    if (f->type() == db::FieldType::Float)
        return db::formatNumber(v.toDouble(), db::NumberForm::Polish);
    return v.toString();
}

int DataSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !set_ || !set_->active() ? 0 : set_->recordCount();
}

int DataSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= int(columns_.size()))
        return {};
    const GridColumn& column = columns_[size_t(index.column())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
        QString text = fieldText(index.row(), column.field, column.dateTimeFormat);
        if (!column.secondField.isEmpty())
            text += u'\n' + fieldText(index.row(), column.secondField, column.dateTimeFormat);
        return text;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment);
    case Qt::FontRole:
        return column.font ? QVariant(*column.font) : QVariant();
    case Qt::ForegroundRole: {
        const QColor colour = rowTextColour_ ? rowTextColour_(index.row()) : QColor();
        return colour.isValid() ? colour : QColor(Qt::black);
    }
    default:
        return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section >= int(columns_.size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return columns_[size_t(section)].title;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

RowColourDelegate::RowColourDelegate(DataGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

void RowColourDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    const QColor background = grid_.rowBackground(index.row());
    const GridColumn& column = grid_.dataModel().columns()[size_t(index.column())];
    painter->save();
    painter->fillRect(option.rect, background);
    painter->restore();
    if (grid_.cellPainter() && grid_.cellPainter()(painter, option.rect, index.row(), column, background))
        return;
    QStyleOptionViewItem plain(option);
    plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
    plain.backgroundBrush = background;
    plain.palette.setColor(QPalette::Text, Qt::black);
    QStyledItemDelegate::paint(painter, plain, index);
}

DataGrid::DataGrid(db::DataSet& set, Prompts& prompts, QWidget* parent)
    : QTableView(parent), model_(set), delegate_(*this), prompts_(prompts)
{
    setModel(&model_);
    setItemDelegate(&delegate_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    connect(&set, &db::DataSet::afterScroll, this, &DataGrid::followDataSet);
    connect(&model_, &QAbstractItemModel::modelReset, this, &DataGrid::followDataSet);
}

void DataGrid::setColumns(std::vector<GridColumn> columns)
{
    model_.setColumns(std::move(columns));
    for (int i = 0; i < int(model_.columns().size()); ++i)
        setColumnWidth(i, model_.columns()[size_t(i)].width);
    followDataSet();
}

void DataGrid::setTitleRow(bool shown)
{
    horizontalHeader()->setVisible(shown);
}

void DataGrid::setRowFont(const QFont& font)
{
    setFont(font);
    horizontalHeader()->setFont(QApplication::font());  // titles keep the normal type
    verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
}

QColor DataGrid::rowBackground(int row) const
{
    const db::DataSet* set = dataSet();
    const bool current = set && set->active() && row == set->recNo() - 1;
    return controls::rowBackground(current, hasFocus(), row + 1, palette().color(QPalette::Base));
}

void DataGrid::followDataSet()
{
    const db::DataSet* set = dataSet();
    following_ = true;
    if (set && set->active() && set->recNo() > 0 && model_.columnCount() > 0) {
        const QModelIndex target = model_.index(set->recNo() - 1, qMax(0, currentIndex().column()));
        if (target != currentIndex())
            setCurrentIndex(target);
        selectionModel()->select(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(target);
    }
    following_ = false;
    viewport()->update();
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (following_ || !current.isValid())
        return;
    db::DataSet* set = dataSet();
    if (set && set->active() && current.row() != set->recNo() - 1)
        prompts_.guarded([&] { set->setRecNo(current.row() + 1); });
    viewport()->update();
}

void DataGrid::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void DataGrid::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void DataGrid::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && isSignalConnected(QMetaMethod::fromSignal(&DataGrid::enterPressed))) {
        emit enterPressed();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

}  // namespace controls
