#pragma once
// The course content editor: the course description as a tree (title, modules, topics), edited
// through a context menu and two move buttons, written back on OK.

#include "CourseTree.h"
#include "Prompts.h"

#include <QDialog>
#include <QHash>
#include <QSet>

class QAction;
class QGroupBox;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class Cursusform : public QDialog {
    Q_OBJECT
public:
    explicit Cursusform(QWidget* parent = nullptr);

    const CourseTree& tree() const { return m_tree; }

    // Runs when the window is first shown and again after the default was restored.
    void Form_Activate();
    void FillTreeView();
    void ResetPopupMenu();
    qint16 ModuleNodes() const { return m_tree.ModuleNodes(); }
    qint16 OndNodes(const QString& key) const { return m_tree.OndNodes(key); }

    // Button 1 is the left, 2 the right button. Sets the command states; the right button also
    // shows the context menu for the current node (not for the node under the pointer).
    void TreeView_MouseDown(int button, int shift, int x, int y);
    void TreeView_NodeClick(QTreeWidgetItem* item);
    void TreeView_Expand(QTreeWidgetItem* item);
    void TreeView_Collapse(QTreeWidgetItem* item);
    void TreeView_DblClick();

    void Hernoemtitel_Click();
    void Hernoemmodule_Click();
    void NieuweModule_Click();
    void Verwijdermodule_Click();
    void HernoemOnderwerp_Click();
    void NieuwOnderwerp_Click();
    void WijzigOnderwerp_Click();
    void VerwijderOnderwerp_Click();
    void cdmUp_Click();
    void cmdDown_Click();
    void cmdDefault_Click();
    void cmdOk_Click();
    void cmdCancel_Click();
    // Escape and the close box; ignored while a save runs.
    void reject() override;

    // Runs a tree command under the error rule, then shows the tree and the new command states.
    // A command that fails inside the tree is undone and reported in Dutch, never by its
    // internal text.
    void command(const std::function<void(CourseTree&)>& body);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QAction* addItem(const QString& name, const QString& caption, void (Cursusform::*handler)());
    void showTree();
    void refreshStates();
    void renameCurrent(const QString& prompt, const QString& title);
    void setButtonsEnabled(bool enabled);
    // Runs a save with the buttons and the tree locked; they work again however it ends.
    bool saving(const std::function<bool()>& body);
    bool saveTree();
    bool askToHideGrades();
    // Before the factory course replaces this one: grades under tests it lacks would vanish.
    bool askToDropGrades(const QByteArray& factory);
    bool replaceCourseFile(const std::function<QByteArray(const QByteArray&)>& contents);
    PromptAnswer ask(const QString& text, const QString& title);
    NodeId nodeOf(const QTreeWidgetItem* item) const;

    QGroupBox* frmEdit = nullptr;
    QTreeWidget* TreeView = nullptr;
    QPushButton* cdmUp = nullptr;
    QPushButton* cmdDown = nullptr;
    QPushButton* cmdDefault = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;
    QMenu* pPopupMenu = nullptr;
    std::array<QAction*, PopupItemCount> m_items{};

    CourseTree m_tree;
    // The course file as the tree was loaded from it; a save first checks the file is still so.
    QByteArray m_loaded;
    bool m_unreadable = false;
    QHash<NodeId, QTreeWidgetItem*> m_view;
    QSet<NodeId> m_expanded;
    bool m_activated = false;
    bool m_saving = false;
};
