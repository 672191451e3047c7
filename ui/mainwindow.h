// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application's one window: the sidebar beside the video table, the toolbar's search field
// and Scan button, the banner, the selection bar, the placeholders, the delete confirmation and
// the error alert. It creates its view model when first shown and keeps it for its lifetime;
// every control reads a published member of it and calls one of its operations.

#include "library/platform/photoplatform.h"
#include "similarcompareview.h"
#include "videopreviewview.h"
#include "viewmodel/clock.h"
#include "viewmodel/desktoptoolkit.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <memory>

class QAbstractItemView;
class QAction;
class QLineEdit;
class QSplitter;
class QStackedWidget;
class QToolBar;

namespace orsenta {

class ChangeBanner;
class ConditionBanner;
class EmptyStateView;
class ScanningBox;
class SelectionBar;
class Sidebar;
class VideoListViewModel;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr QSize defaultSize{1180, 760};
    static constexpr QSize minimumContentSize{1000, 640};

    // What the detail area shows instead of the table, in the order it is chosen.
    enum class Placeholder { none, scanning, noMatches, accessNeeded, noVideos };

    MainWindow(std::shared_ptr<platform::PhotoPlatform> platform,
               std::shared_ptr<DesktopToolkit> toolkit, std::shared_ptr<Clock> clock,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    // None until the window is first shown.
    VideoListViewModel *model() const { return m_model; }

    // "Show Sidebar": checked while the sidebar is shown.
    QAction *sidebarAction() const { return m_sidebarAction; }
    // "Undo Move to Trash" (Ctrl+Z), enabled while the last move can be put back and nothing
    // else runs; the window answers its keys with or without a menu holding it.
    QAction *undoAction() const { return m_undoAction; }

    Placeholder placeholder() const;
    Sidebar *sidebar() const { return m_sidebar; }
    QLineEdit *searchField() const { return m_search; }
    QAction *scanAction() const { return m_scanAction; }
    QAbstractItemView *table() const { return m_table; }
    ChangeBanner *banner() const { return m_banner; }
    ConditionBanner *conditionBanner() const { return m_conditionBanner; }
    SelectionBar *selectionBar() const { return m_selectionBar; }
    EmptyStateView *emptyState() const { return m_emptyState; }
    ScanningBox *scanningBox() const { return m_scanningBox; }
    // The dialogs on screen, or none.
    QMessageBox *deleteConfirmation() const { return m_confirmation; }
    QMessageBox *errorAlert() const { return m_alert; }
    // The preview sheet of the model's previewItem, while it is open.
    VideoPreviewView *previewSheet() const { return m_preview; }
    // The confirmation of "Select Extra Similar Copies…", and the compare view of the model's
    // comparedGroup, while they are open.
    QMessageBox *similarConfirmation() const { return m_similarConfirmation; }
    SimilarCompareView *compareView() const { return m_compare; }

Q_SIGNALS:
    void modelCreated(orsenta::VideoListViewModel *model);
    // The content appeared; the application applies the stored theme then.
    void appeared();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createModel();
    void buildToolbar();
    QWidget *buildDetail();
    void connectModel();

    void refreshSearch();
    void refreshScanButton();
    void refreshPlaceholder();
    void refreshBanner();
    void refreshSelectionBar();
    void refreshConfirmation();
    void refreshUndo();
    void refreshAlert();
    void refreshPreview();
    void confirmExtraSimilar();
    void refreshCompare();
    void openPrivacySettings();

    const std::shared_ptr<platform::PhotoPlatform> m_platform;
    const std::shared_ptr<DesktopToolkit> m_toolkit;
    const std::shared_ptr<Clock> m_clock;
    VideoListViewModel *m_model = nullptr;

    QSplitter *m_split = nullptr;
    Sidebar *m_sidebar = nullptr;
    QToolBar *m_toolbar = nullptr;
    QLineEdit *m_search = nullptr;
    QAction *m_scanAction = nullptr;
    QAction *m_sidebarAction = nullptr;
    QAction *m_undoAction = nullptr;
    QWidget *m_detail = nullptr;
    QStackedWidget *m_stack = nullptr;
    QAbstractItemView *m_table = nullptr;
    ScanningBox *m_scanningBox = nullptr;
    EmptyStateView *m_emptyState = nullptr;
    ChangeBanner *m_banner = nullptr;
    ConditionBanner *m_conditionBanner = nullptr;
    SelectionBar *m_selectionBar = nullptr;
    QPointer<QMessageBox> m_confirmation;
    QPointer<QMessageBox> m_alert;
    QPointer<VideoPreviewView> m_preview;
    QPointer<QMessageBox> m_similarConfirmation;
    QPointer<SimilarCompareView> m_compare;
};

} // namespace orsenta
