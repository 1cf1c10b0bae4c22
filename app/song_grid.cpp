#include "app/song_grid.h"

#include <QHeaderView>
#include <QMouseEvent>

#include "app/qt_text.h"

namespace vokari {

SongGrid::SongGrid(QWidget* parent) : QTableWidget(0, 6, parent) {
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(22);
    // Widths are set column by column when the window is created; a hidden
    // column must be allowed to shrink to nothing.
    horizontalHeader()->setMinimumSectionSize(0);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int column = 0; column < columnCount(); ++column)
        setHorizontalHeaderItem(column, new QTableWidgetItem);
    connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this, [this] { emit songDoubleClicked(); });
}

int SongGrid::gridRowCount() const {
    return rowCount() + 1;
}

void SongGrid::setGridRowCount(int n) {
    setRowCount(n > 1 ? n - 1 : 0);
}

void SongGrid::appendRow() {
    insertRow(rowCount());
}

Text SongGrid::cellText(int row, int column) const {
    if (column < 0 || column >= columnCount()) return {};
    const QTableWidgetItem* cell = row == 0 ? horizontalHeaderItem(column) : item(row - 1, column);
    return cell ? toText(cell->text()) : Text();
}

void SongGrid::setCellText(int row, int column, const Text& text) {
    if (row < 0 || row >= gridRowCount() || column < 0 || column >= columnCount()) return;
    if (row == 0) {
        horizontalHeaderItem(column)->setText(toQString(text));
        return;
    }
    if (QTableWidgetItem* cell = item(row - 1, column)) {
        cell->setText(toQString(text));
        return;
    }
    setItem(row - 1, column, new QTableWidgetItem(toQString(text)));
}

int SongGrid::currentGridRow() const {
    return currentRow() + 1;
}

void SongGrid::mousePressEvent(QMouseEvent* event) {
    // Qt's handling first, so the cursor moves to the row under the pointer
    // before the save command reads it.
    QTableWidget::mousePressEvent(event);
    if (event->button() == Qt::RightButton) emit rightButtonPressed();
}

void SongGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit songDoubleClicked();
}

}  // namespace vokari
