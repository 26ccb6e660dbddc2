#pragma once
// Orb's main window: 1200 x 750 where the screen has room (WindowPlacement puts it on the screen
// and remembers its place), with the menus, the toolbar, the status bar and the view. It turns the menus'
// commands into calls on the document and the document's refusals into message boxes; the document's
// notifications keep the title, the states of the entries, the memory gauge and the list up to date.
#include <QMainWindow>
#include <functional>
#include <vector>

#include "editor/app/FrameActions.h"
#include "editor/app/SignPrompts.h"
#include "editor/core/CommandState.h"
#include "editor/core/DocumentObserver.h"
#include "editor/core/OrbDocument.h"
#include "editor/core/ProgramReadBack.h"
#include "editor/core/SignCommands.h"

class QMenu;

namespace orb {

class COrbView;
class FrameStatusBar;
class SignCommandRunner;
class ItemTableModel;
class UserPrompts;

class CMainFrame : public QMainWindow, private DocumentObserver {
    Q_OBJECT
  public:
    // Starts a program detached; false when it could not be started.
    using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;

    CMainFrame(OrbDocument& doc, UserPrompts& prompts, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Opens a project as "불러오기" does after its dialog (the unsaved-changes question first).
    bool openProject(const QString& path);
    // Opens it now, or as soon as the command on the link has ended (the connect that start-up
    // makes for a TCP link), so that the project given on the command line is never dropped.
    void openProjectWhenIdle(const QString& path);

    COrbView* view() const { return view_; }
    FrameStatusBar* panes() const { return status_; }
    const FrameActions& actions() const { return actions_; }
    SignCommandRunner* sign() const { return sign_; }
    // The list's context menu for the current selection, or nullptr when it is not offered.
    QMenu* createContextMenu(QWidget* parent);
    // How "보기" starts Glimmer; QProcess::startDetached unless told.
    void setLauncher(Launcher launcher) { launch_ = std::move(launcher); }
    // Re-reads the command states (done after every change and selection).
    void refreshActions();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // DocumentObserver
    void rowsInserted(int, int) override { afterChange(); }
    void rowsRemoved(int, int) override { afterChange(); }
    void rowsChanged(int, int) override { afterChange(); }
    void rowsReset() override { afterChange(); }
    void settingsChanged() override {
        showSignSize();
        refreshActions();
    }
    void cutBufferChanged(bool) override { refreshActions(); }
    void titleChanged(const std::string& title, bool clean) override;
    void historyChanged() override { refreshActions(); }

    void connectCommands();
    // Runs a command, then gives the list the focus back.
    void command(QAction* action, std::function<void()> run);
    void afterChange();
    // Shows the refusal, if it is one; true when the command was done.
    bool report(DocOutcome outcome);
    std::vector<int> selection() const;

    // Asks before unsaved changes are dropped; false when the user cancelled (or the save failed).
    bool mayDiscardChanges();
    bool saveProject(bool askName);
    void newProject();
    void chooseAndOpen();
    // "그림과 함께 저장", and opening a bundle into a new unsaved project with its pictures in a
    // folder the user chooses (the unsaved-changes question already answered).
    void saveWithPictures();
    void openBundle(const QString& path);
    // "전광판에서 가져오기", and what the read-back came to.
    void pullProgram();
    void pulled(const CommandOutcome& outcome, const ProgramReadBack& readBack, const QString& folder);
    // Where a folder dialog starts: the current project's folder, or the home folder.
    QString projectFolder() const;
    void addItem(LayoutCode layout);
    void editLine(int line, ContentKind kind);
    // Double-click or Enter on ROW: the dialog of its first line's kind (the sentence dialog for a
    // line without content), or the title and sentence dialog.
    void openRow(int row);
    void editTitleSentence();
    void editHeights();
    // True when every line of LAYOUT with HEIGHTS fits the sign, or the user goes on anyway.
    bool heightsAccepted(LayoutCode layout, const std::array<uint8_t, 3>& heights);
    void showSignSize();
    SignSize signSize() const;
    void editDisplayTime();
    void cut();
    void paste();
    void deleteRows();
    void undo();
    void redo();
    void preview();
    void connectSignCommands();
    void signActivityChanged();
    void chooseWindowMode(uint8_t mode);
    void editOnOffTimes();
    void chooseOnOff(bool enabled);
    void showAbout();

    OrbDocument& doc_;
    UserPrompts& prompts_;
    ItemTableModel* table_;
    COrbView* view_;
    FrameStatusBar* status_;
    FrameActions actions_;
    SignCommandRunner* sign_;
    Launcher launch_;
    bool closeWhenIdle_ = false;
    QString openWhenIdle_;
};

}  // namespace orb
