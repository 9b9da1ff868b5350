#pragma once
// A read-only grid over a data set: an item model of its rows, a view whose current row
// is the data set's current row, and rows painted in the shared colours.
#include <QAbstractTableModel>
#include <QFont>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <optional>
#include <vector>

#include "db/DataSet.h"

namespace controls {

class Prompts;

struct GridColumn {
    QString field;
    QString title;
    int width = 100;
    std::optional<QFont> font;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    // A second field shown on a second line of the cell (floor over room).
    QString secondField;
    // Qt date-time format for date-time fields ("dd-MM-yyyy  hh:mm").
    QString dateTimeFormat;
};

class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataSetModel(db::DataSet& set, QObject* parent = nullptr);

    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn>& columns() const { return columns_; }
    // The data set, or null once it is gone (the window is being taken down).
    db::DataSet* dataSet() const { return set_.data(); }

    // The text of one field of a row as the grid shows it.
    QString fieldText(int row, const QString& field, const QString& dateTimeFormat = {}) const;
    // The colour of a row's text; black where it gives an invalid colour or is not set.
    void setRowTextColour(std::function<QColor(int row)> colour)
    {
        rowTextColour_ = std::move(colour);
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QPointer<db::DataSet> set_;
    std::vector<GridColumn> columns_;
    std::function<QColor(int)> rowTextColour_;
};

class DataGrid;

// Paints one cell itself, or returns false to leave it to the grid's normal drawing.
using CellPainter = std::function<bool(QPainter*, const QRect& cell, int row,
                                       const GridColumn& column, const QColor& background)>;

class RowColourDelegate : public QStyledItemDelegate {
public:
    explicit RowColourDelegate(DataGrid& grid);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    DataGrid& grid_;
};

class DataGrid : public QTableView {
    Q_OBJECT
public:
    // No type-ahead: a typed letter or digit never moves the selection.
    void keyboardSearch(const QString&) override {}

    DataGrid(db::DataSet& set, Prompts& prompts, QWidget* parent = nullptr);

    void setColumns(std::vector<GridColumn> columns);
    void setTitleRow(bool shown);
    // Row height from the grid's own font.
    void setRowFont(const QFont& font);
    void setCellPainter(CellPainter painter) { cellPainter_ = std::move(painter); }
    const CellPainter& cellPainter() const { return cellPainter_; }
    DataSetModel& dataModel() { return model_; }
    db::DataSet* dataSet() const { return model_.dataSet(); }

    // The background a row is painted with now.
    QColor rowBackground(int row) const;

signals:
    void enterPressed();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void followDataSet();

    DataSetModel model_;
    RowColourDelegate delegate_;
    Prompts& prompts_;
    CellPainter cellPainter_;
    bool following_ = false;
};

}  // namespace controls
