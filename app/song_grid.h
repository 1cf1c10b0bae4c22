// The song grid 高级表格1. The commands see it the way the original grid
// worked: row 0 is the header row and song rows are 1 and up. Here the header
// row is Qt's horizontal header (so it stays put while the rows scroll), and
// grid row r > 0 is table row r - 1.
#pragma once

#include <QTableWidget>

#include "text/text.h"

namespace vokari {

class SongGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit SongGrid(QWidget* parent = nullptr);

    // Header row included, so an empty grid answers 1.
    int gridRowCount() const;
    // 1 (or less) leaves only the header row.
    void setGridRowCount(int n);
    void appendRow();
    // Row 0 is the header row. Cells outside the grid read as empty and
    // writes to them are ignored.
    Text cellText(int row, int column) const;
    void setCellText(int row, int column, const Text& text);
    // Grid row of the cursor cell; 0 or less means no song row is selected.
    int currentGridRow() const;

signals:
    // The grid was double-clicked anywhere: a song row, the header row or the
    // empty part below the rows. The play command then reads the current row.
    void songDoubleClicked();
    // The right mouse button went down on the grid, after the grid moved its
    // cursor to the cell under the pointer.
    void rightButtonPressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace vokari
