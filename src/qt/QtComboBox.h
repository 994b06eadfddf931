// The combo box `dbComb` over a real editable QComboBox. Not part of the API.
#pragma once

#include "LazyListModel.h"
#include "RowDelegate.h"
#include "veltra/data/BoundControls.h"
#include "veltra/platform/ComboBox.h"
#include "veltra/platform/EditModel.h"
#include "veltra/platform/Keys.h"
#include "veltra/platform/Tracing.h"
#include "veltra/qt/QtText.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QListView>
#include <QSet>
#include <QTimer>
#include <functional>
#include <optional>

namespace veltra::qt {

class QtComboBox;

// The QComboBox whose input the control sees first: keys, mouse, focus and the drop-down
// button all go through QtComboBox.
class ComboWidget final : public QComboBox {
  public:
    ComboWidget(QtComboBox& owner, QWidget* parent);

    QtComboBox& owner() const { return owner_; }
    void showPopup() override;
    void hidePopup() override;

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    QtComboBox& owner_;
};

// Converts between the control's units and the screen: twips while the host lays out,
// pixels after.
struct Scale {
    std::function<bool()> inPixels;
    std::function<double()> twipsPerPixel;
};

class QtComboBox final : public BoundComboBox {
  public:
    QtComboBox(DataControl& source, Scale scale, QWidget* parent);
    ~QtComboBox() override;

    void Locked(bool value) override;
    FontRef Font() const override { return font_; }
    void Font(FontRef value) override;
    void Refresh() override;
    Single Width() const override;
    void Width(Single value) override;
    Single Height() const override;
    void Height(Single) override {}
    bool Enabled() const override;
    void Enabled(bool value) override;
    void ToolTipText(const String& value) override;
    void SetFocus() override;

    ComboWidget& widget() { return *widget_; }
    void setTrace(TraceSink trace) { trace_ = std::move(trace); }
    // Delivers one key as the keyboard would, while the box has the focus.
    void deliver(const KeyStroke& stroke);

    // From the widget.
    void keyPress(QKeyEvent* event);
    void keyRelease(QKeyEvent* event);
    void inputMethod(QInputMethodEvent* event);
    void tab(QKeyEvent* event);
    void focusIn(Qt::FocusReason reason);
    void focusOut(Qt::FocusReason reason);
    // A mouse event on the box, at the point in the box's own coordinates.
    void mouse(QMouseEvent* event, QPointF at);
    void openList() override;
    void closeList() override;
    void pick(int row);
    QListView& listView() { return *popup_; }
    RowDelegate& rows() { return rows_; }
    // The line edit's undo steps are let go (the control's keys never undo).
    void dropEditHistory();
    // How many of the control's units make a pixel of the screen.
    double unitsPerPixel() const;

  private:
    void copySelection() override;
    void typeCommittedText(const QString& text);
    void relayKeyUp(Integer keyCode, Integer shift);
    void leaveForNext() override;
    void followTheLineEdit();
    void showEdit();
    void placeList();
    void prepareList();
    void replaceChangedText(const QString& text);
    void followCurrentRow();
    void selectCurrentRow();
    void tellAssistiveTechnology(QObject* focused, int child = -1);
    QString resultSummary() const;
    void updateDescription();
    void prepareAnnouncements();
    void settleAnnouncement();
    void dropAnnouncement();
    void announce(const QString& text);
    int rowsToCount() const;
    void applyColours() override;
    void applyFont() override;
    void trace(const std::string& line) const;

    // While the line edit shows the editing model's text and selection.
    bool showing_ = false;
    Scale scale_;
    ComboWidget* widget_;
    QListView* popup_;
    LazyListModel model_;
    RowDelegate rows_;
    int rowHeight_ = 0; // of a list row in the font shown, once known
    TraceSink trace_;
    // Whether the control holds the focus, also while its window is not the active one.
    bool focused_ = false;
    // The keys pressed while the box had the focus and not released yet.
    QSet<int> pressedKeys_;
    // While an input method composes: the selection as it was when the composition began.
    struct Selection {
        int start;
        int length;
    };
    std::optional<Selection> composition_;
    // The current row's text (none without a current row), and whether the current row is
    // to be followed after this event.
    std::optional<QString> currentRowText_;
    bool followPending_ = false;
    // Whether a key ran a search whose count is not spoken yet, the wait for the next key,
    // and the notification that speaks it (made when first needed).
    bool searched_ = false;
    QTimer settle_;
    QLabel* announcer_ = nullptr;
};

} // namespace veltra::qt
