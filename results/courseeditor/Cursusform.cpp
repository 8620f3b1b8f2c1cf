#include "Cursusform.h"

#include "EnterKey.h"
#include "ErrorRule.h"
#include "IniDocument.h"
#include "IniReader.h"
#include "KeyboardContextMenu.h"
#include "Prompts.h"
#include "Runtime.h"
#include "SafeSave.h"
#include "ScreenPointer.h"
#include "StoredGrades.h"
#include "Twips.h"
#include "modPublic.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScopeGuard>
#include <QTreeWidget>
#include <cerrno>
#include <exception>

namespace {

const QString Caption = QStringLiteral("Cursus Inhoud wijzigen");
constexpr int NodeRole = Qt::UserRole;

// The move buttons' pictures: a filled arrow pointing up or down.
QIcon arrowIcon(bool up)
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 128));
    QPainterPath arrow;
    arrow.moveTo(10, 2);
    arrow.lineTo(18, 11);
    arrow.lineTo(13, 11);
    arrow.lineTo(13, 18);
    arrow.lineTo(7, 18);
    arrow.lineTo(7, 11);
    arrow.lineTo(2, 11);
    arrow.closeSubpath();
    if (!up)
        painter.setTransform(QTransform(1, 0, 0, -1, 0, 20));
    painter.drawPath(arrow);
    return QIcon(pixmap);
}

// The factory course, read whole; a missing factory file stops the restore.
QByteArray factoryCourse()
{
    QFile from(DefaultCourseFile);
    if (!from.open(QIODevice::ReadOnly))
        throw RuntimeError(53, QStringLiteral("File not found"));
    const QByteArray bytes = from.readAll();
    if (from.error() != QFileDevice::NoError)
        throw RuntimeError(75, CannotReadText(DefaultCourseFile, EIO));
    return bytes;
}

} // namespace

Cursusform::Cursusform(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Cursusform"));
    EnterGoesToDefaultButton();
    setModal(true);
    setWindowTitle(Caption);
    setFont(formFont());
    setFixedSize(twips(5520), twips(6555));
    buildControls();
}

void Cursusform::buildControls()
{
    frmEdit = new QGroupBox(QStringLiteral("Inhoud Wijzigen"), this);
    frmEdit->setObjectName(QStringLiteral("frmEdit"));
    setTwipsGeometry(frmEdit, 120, 120, 5295, 6375);

    TreeView = new QTreeWidget(frmEdit);
    TreeView->setObjectName(QStringLiteral("TreeView"));
    setTwipsGeometry(TreeView, 240, 240, 4335, 5175);
    TreeView->setHeaderHidden(true);
    TreeView->setColumnCount(1);
    TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView->setContextMenuPolicy(Qt::PreventContextMenu);
    TreeView->setAccessibleName(QStringLiteral("Cursus inhoud"));
    OpenContextMenuFromKeyboard(TreeView, [this] {
        const QPoint at = NodeMenuPoint(TreeView, m_view.value(m_tree.current()));
        TreeView_MouseDown(2, 0, at.x(), at.y());
    });
    TreeView->viewport()->installEventFilter(this);
    connect(TreeView, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { TreeView_NodeClick(item); });
    connect(TreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { TreeView_NodeClick(item); });
    connect(TreeView, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { TreeView_Expand(item); });
    connect(TreeView, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) { TreeView_Collapse(item); });
    connect(TreeView, &QTreeWidget::itemDoubleClicked, this, [this] { TreeView_DblClick(); });

    auto button = [this](const QString& name, const QString& caption, int left, int top, int width, int height) {
        auto* b = new QPushButton(caption, frmEdit);
        b->setObjectName(name);
        // As in every dialog: Enter presses the button that has the focus, and OK (the default
        // button) when the focus is elsewhere.
        b->setAutoDefault(true);
        setTwipsGeometry(b, left, top, width, height);
        return b;
    };
    cdmUp = button(QStringLiteral("cdmUp"), QString(), 4680, 360, 495, 495);
    cdmUp->setToolTip(QStringLiteral("Element omhoog verplaatsen"));
    cdmUp->setIcon(arrowIcon(true));
    cdmUp->setAccessibleName(QStringLiteral("Module omhoog"));
    cmdDown = button(QStringLiteral("cmdDown"), QString(), 4680, 840, 495, 495);
    cmdDown->setToolTip(QStringLiteral("Element omlaag verplaatsen"));
    cmdDown->setIcon(arrowIcon(false));
    cmdDown->setAccessibleName(QStringLiteral("Module omlaag"));
    cmdDefault = button(QStringLiteral("cmdDefault"), QStringLiteral("Default"), 240, 5760, 1575, 375);
    cmdOk = button(QStringLiteral("cmdOk"), QStringLiteral("OK"), 1920, 5760, 1575, 375);
    cmdOk->setDefault(true);
    cmdCancel = button(QStringLiteral("cmdCancel"), QStringLiteral("Cancel"), 3600, 5760, 1575, 375);
    connect(cdmUp, &QPushButton::clicked, this, [this] { cdmUp_Click(); });
    connect(cmdDown, &QPushButton::clicked, this, [this] { cmdDown_Click(); });
    connect(cmdDefault, &QPushButton::clicked, this, [this] { cmdDefault_Click(); });
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    pPopupMenu = new QMenu(QStringLiteral("Popupmenu"), this);
    pPopupMenu->setObjectName(QStringLiteral("pPopupMenu"));
    m_items[Hernoemtitel] =
        addItem(QStringLiteral("Hernoemtitel"), QStringLiteral("Hernoem titel..."), &Cursusform::Hernoemtitel_Click);
    m_items[Hernoemmodule] =
        addItem(QStringLiteral("Hernoemmodule"), QStringLiteral("Hernoem module..."), &Cursusform::Hernoemmodule_Click);
    m_items[NieuweModule] =
        addItem(QStringLiteral("NieuweModule"), QStringLiteral("Nieuwe module..."), &Cursusform::NieuweModule_Click);
    m_items[Verwijdermodule] = addItem(QStringLiteral("Verwijdermodule"), QStringLiteral("Verwijder module"),
                                       &Cursusform::Verwijdermodule_Click);
    m_items[HernoemOnderwerp] = addItem(QStringLiteral("HernoemOnderwerp"), QStringLiteral("Hernoem onderwerp..."),
                                        &Cursusform::HernoemOnderwerp_Click);
    m_items[NieuwOnderwerp] = addItem(QStringLiteral("NieuwOnderwerp"), QStringLiteral("Nieuw onderwerp..."),
                                      &Cursusform::NieuwOnderwerp_Click);
    m_items[WijzigOnderwerp] = addItem(QStringLiteral("WijzigOnderwerp"), QStringLiteral("Wijzig onderwerp..."),
                                       &Cursusform::WijzigOnderwerp_Click);
    m_items[VerwijderOnderwerp] = addItem(QStringLiteral("VerwijderOnderwerp"), QStringLiteral("Verwijder onderwerp"),
                                          &Cursusform::VerwijderOnderwerp_Click);
    QAction* hyphen = pPopupMenu->addSeparator();
    hyphen->setObjectName(QStringLiteral("Hypen"));
    QAction* close = pPopupMenu->addAction(QStringLiteral("Sluiten"));
    close->setObjectName(QStringLiteral("Sluiten"));
}

QAction* Cursusform::addItem(const QString& name, const QString& caption, void (Cursusform::*handler)())
{
    QAction* action = pPopupMenu->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    return action;
}

void Cursusform::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        Form_Activate();
    }
}

void Cursusform::Form_Activate()
{
    RunGuarded(this, [this] {
        SetScreenBusy();
        FillTreeView();
        setWindowTitle(Caption + QStringLiteral(" - ") + m_tree.node(m_tree.root()).text);
        ResetPopupMenu();
        showTree();
        refreshStates();
        // An activation that fails leaves the busy pointer, like every trapped handler.
        SetScreenDefault();
    });
    // A course that could not be read is not shown as an empty one that OK would write back.
    if (m_unreadable)
        QMetaObject::invokeMethod(this, &Cursusform::reject, Qt::QueuedConnection);
}

void Cursusform::FillTreeView()
{
    bool readable = true;
    const IniDocument file = IniDocument::load(CourseFile, &readable);
    m_unreadable = !readable;
    if (m_unreadable) {
        int error = EIO;
        IsUnreadable(CourseFile, &error);
        SetScreenDefault();
        throw RuntimeError(75, CannotReadText(CourseFile, error));
    }
    // The tree and the bytes a save compares against come from one reading.
    m_loaded = file.bytes();
    m_tree.fill(ReadCourse(IniReader::ofBytes(m_loaded)));
    // Only the title node opens, so the modules show with their topics folded away.
    m_expanded = {m_tree.root()};
    showTree();
}

void Cursusform::ResetPopupMenu()
{
    for (QAction* item : m_items) {
        item->setVisible(false);
        item->setEnabled(true);
    }
}

void Cursusform::showTree()
{
    // The widget is rebuilt from the model after every change; its signals would otherwise
    // report the rebuild's own expands and selections as the teacher's clicks.
    const QSignalBlocker blocker(TreeView);
    TreeView->clear();
    m_view.clear();
    std::function<void(NodeId, QTreeWidgetItem*)> add = [&](NodeId id, QTreeWidgetItem* parent) {
        const CourseTree::Node& node = m_tree.node(id);
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(TreeView);
        item->setText(0, node.text);
        item->setData(0, NodeRole, id);
        m_view.insert(id, item);
        for (NodeId child : node.children)
            add(child, item);
    };
    add(m_tree.root(), nullptr);
    for (NodeId id = m_tree.node(m_tree.current()).parent; id != NoNode; id = m_tree.node(id).parent)
        m_expanded.insert(id);
    for (auto it = m_view.cbegin(); it != m_view.cend(); ++it)
        it.value()->setExpanded(m_expanded.contains(it.key()));
    if (QTreeWidgetItem* current = m_view.value(m_tree.current())) {
        TreeView->setCurrentItem(current);
        TreeView->scrollToItem(current);
    }
}

NodeId Cursusform::nodeOf(const QTreeWidgetItem* item) const
{
    return item ? item->data(0, NodeRole).toInt() : NoNode;
}

void Cursusform::refreshStates()
{
    TreeView_MouseDown(1, 1, 1, 1);
}

void Cursusform::TreeView_MouseDown(int button, int, int x, int y)
{
    ResetPopupMenu();
    const CommandStates s = m_tree.commandStates();
    for (int i = 0; i < PopupItemCount; ++i) {
        m_items[i]->setVisible(s.visible[i]);
        m_items[i]->setEnabled(s.enabled[i]);
    }
    cdmUp->setEnabled(s.upEnabled);
    cmdDown->setEnabled(s.downEnabled);
    if (button == 2) {
        pPopupMenu->setDefaultAction(s.movieIsDefault ? m_items[WijzigOnderwerp] : nullptr);
        pPopupMenu->exec(TreeView->viewport()->mapToGlobal(QPoint(x, y)));
    }
}

bool Cursusform::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TreeView->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        if (mouse->button() == Qt::RightButton) {
            // The menu is for the current node: the press must not select the node under the pointer.
            TreeView_MouseDown(2, 0, at.x(), at.y());
            return true;
        }
        if (mouse->button() == Qt::LeftButton)
            TreeView_MouseDown(1, 0, at.x(), at.y());
    }
    return QDialog::eventFilter(watched, event);
}

void Cursusform::TreeView_NodeClick(QTreeWidgetItem* item)
{
    const NodeId id = nodeOf(item);
    if (id == NoNode || !m_tree.contains(id))
        return;
    m_tree.setCurrent(id);
    {
        const QSignalBlocker blocker(TreeView);
        TreeView->setCurrentItem(item);
    }
    refreshStates();
}

void Cursusform::TreeView_Expand(QTreeWidgetItem* item)
{
    m_expanded.insert(nodeOf(item));
    TreeView_NodeClick(item);
}

void Cursusform::TreeView_Collapse(QTreeWidgetItem* item)
{
    m_expanded.remove(nodeOf(item));
    TreeView_NodeClick(item);
}

void Cursusform::TreeView_DblClick()
{
    const QString& key = m_tree.node(m_tree.current()).key;
    if (key != QLatin1String("root") && key.size() > 3)
        WijzigOnderwerp_Click();
}

void Cursusform::command(const std::function<void(CourseTree&)>& body)
{
    const CourseTree before = m_tree;
    RunGuarded(this, [&] {
        try {
            body(m_tree);
        } catch (const RuntimeError&) {
            throw;
        } catch (const std::exception&) {
            // A broken tree rule: a half-done command must not reach the file.
            m_tree = before;
            throw RuntimeError(51, QStringLiteral("Deze wijziging kan niet worden uitgevoerd. De cursusinhoud "
                                                  "blijft zoals hij was."));
        }
    });
    showTree();
    refreshStates();
}

void Cursusform::renameCurrent(const QString& prompt, const QString& title)
{
    command([&](CourseTree& tree) {
        const QString text = prompts().inputBox(this, prompt, title, tree.node(tree.current()).text);
        tree.rename(text);
    });
}

void Cursusform::Hernoemtitel_Click()
{
    renameCurrent(QStringLiteral("Geef een nieuwe titel op"), QStringLiteral("Titel Hernoemen"));
}

void Cursusform::Hernoemmodule_Click()
{
    renameCurrent(QStringLiteral("Geef een nieuwe modulenaam op"), QStringLiteral("Module Hernoemen"));
}

void Cursusform::HernoemOnderwerp_Click()
{
    renameCurrent(QStringLiteral("Geef een nieuwe onderwerpnaam op"), QStringLiteral("Onderwerp Hernoemen"));
}

void Cursusform::NieuweModule_Click()
{
    command([this](CourseTree& tree) {
        tree.newModule(prompts().inputBox(this, QStringLiteral("Geef een nieuwe modulenaam op"),
                                          QStringLiteral("Module aanmaken"), QString()));
    });
}

void Cursusform::NieuwOnderwerp_Click()
{
    command([this](CourseTree& tree) {
        tree.newTopic(prompts().inputBox(this, QStringLiteral("Geef een nieuwe onderwerpnaam op"),
                                         QStringLiteral("Onderwerp aanmaken"), QString()));
    });
}

void Cursusform::Verwijdermodule_Click()
{
    command([](CourseTree& tree) { tree.deleteModule(); });
}

void Cursusform::VerwijderOnderwerp_Click()
{
    command([](CourseTree& tree) { tree.deleteTopic(); });
}

void Cursusform::WijzigOnderwerp_Click()
{
    if (KindOfKey(m_tree.node(m_tree.current()).key) != NodeKind::Topic)
        return;
    FileDialogRequest request;
    request.title = QStringLiteral("Selecteer een SWF bestand");
    request.filter = QStringLiteral("SFW bestand (*.swf)|*.swf");
    request.filterIndex = 1;
    request.initialFolder = MovieFolder;
    request.fileName = m_tree.node(m_tree.current()).tag;
    QString chosen;
    if (!RunGuarded(this, [&] { chosen = prompts().openFile(this, request); }))
        return;
    // Errors after the dialog are cleared without a message; an empty answer is a cancel.
    try {
        m_tree.chooseMovie(chosen);
    } catch (const std::exception&) {
    }
    showTree();
    refreshStates();
}

void Cursusform::cdmUp_Click()
{
    command([](CourseTree& tree) { tree.moveUp(); });
}

void Cursusform::cmdDown_Click()
{
    command([](CourseTree& tree) { tree.moveDown(); });
}

void Cursusform::setButtonsEnabled(bool enabled)
{
    cmdDefault->setEnabled(enabled);
    cmdOk->setEnabled(enabled);
    cmdCancel->setEnabled(enabled);
}

PromptAnswer Cursusform::ask(const QString& text, const QString& title)
{
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    SetScreenDefault();
    const PromptAnswer answer = prompts().message(this, text, title, PromptIcon::Question, PromptButtons::YesNo);
    if (busy)
        SetScreenBusy();
    return answer;
}

bool Cursusform::saving(const std::function<bool()>& body)
{
    m_saving = true;
    SetScreenBusy();
    setButtonsEnabled(false);
    // Pending events run during a save; nothing may edit the tree meanwhile.
    frmEdit->setEnabled(false);
    bool saved = false;
    std::exception_ptr failure;
    try {
        saved = body();
    } catch (...) {
        failure = std::current_exception();
    }
    // Whatever happened, the teacher can retry once the cause is gone.
    frmEdit->setEnabled(true);
    setButtonsEnabled(true);
    SetScreenDefault();
    m_saving = false;
    if (failure)
        RunGuarded(this, [&] { std::rethrow_exception(failure); });
    return saved;
}

bool Cursusform::askToHideGrades()
{
    const QVector<TestRename> renames = m_tree.renamedTests();
    if (renames.isEmpty())
        return true;
    QStringList oldNames;
    for (const TestRename& rename : renames)
        oldNames << rename.oldName;
    const QString question = HiddenGradesQuestion(renames, CountFilesWithGrades(DocumentFolder, oldNames));
    return question.isEmpty() || ask(question, QStringLiteral("Toets hernoemd")) == PromptAnswer::Yes;
}

bool Cursusform::askToDropGrades(const QByteArray& factory)
{
    const QStringList tests = TestsMissingFrom(IniReader(CourseFile), IniReader::ofBytes(factory));
    if (tests.isEmpty())
        return true;
    const QString question = DroppedGradesQuestion(tests, CountFilesWithGrades(DocumentFolder, tests));
    return question.isEmpty() || ask(question, QStringLiteral("Cijfers verborgen")) == PromptAnswer::Yes;
}

bool Cursusform::replaceCourseFile(const std::function<QByteArray(const QByteArray&)>& contents)
{
    QByteArray expected = m_loaded;
    QByteArray replacement = contents(expected);
    for (;;) {
        bool read = false;
        bool changed = false;
        QByteArray found;
        int error = 0;
        // Compared and replaced under the file's lock, so no other writer comes in between.
        const bool done = IniDocument::update(
            CourseFile,
            [&](IniDocument& document) {
                read = true;
                changed = document.bytes() != expected;
                if (changed) {
                    found = document.bytes();
                    return false;
                }
                document = IniDocument::fromBytes(replacement);
                return true;
            },
            &error);
        if (!done) {
            int readError = error;
            const bool unreadable = !read && IsUnreadable(CourseFile, &readError);
            throw RuntimeError(75, unreadable ? CannotReadText(CourseFile, readError)
                                              : NothingSavedText(CourseFile, error));
        }
        if (!changed)
            return true;
        // Someone else saved the course since it was read: never overwrite that unasked.
        const PromptAnswer answer =
            ask(QStringLiteral("Iemand anders heeft de cursusinhoud opgeslagen nadat dit venster de cursus had "
                               "gelezen. Wilt u die wijziging overschrijven?\n\nKies Nee om de andere wijziging te "
                               "houden: er wordt dan niets opgeslagen."),
                QStringLiteral("Cursus gewijzigd"));
        if (answer != PromptAnswer::Yes)
            return false;
        expected = found;
        replacement = contents(found);
    }
}

bool Cursusform::saveTree()
{
    if (!askToHideGrades())
        return false;
    return replaceCourseFile([this](const QByteArray& current) {
        IniDocument document = IniDocument::fromBytes(current);
        m_tree.writeTo(document, [] { QCoreApplication::processEvents(); });
        return document.bytes();
    });
}

void Cursusform::cmdOk_Click()
{
    if (!m_unreadable && saving([this] { return saveTree(); }))
        accept();
}

void Cursusform::cmdCancel_Click()
{
    reject();
}

void Cursusform::reject()
{
    // Escape and the close box wait until a running save has finished.
    if (!m_saving)
        QDialog::reject();
}

void Cursusform::closeEvent(QCloseEvent* event)
{
    if (m_saving) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void Cursusform::cmdDefault_Click()
{
    setCursor(Qt::WaitCursor);
    setButtonsEnabled(false);
    // After a failure too, so the teacher can retry.
    const auto restore = qScopeGuard([this] {
        unsetCursor();
        setButtonsEnabled(true);
    });
    bool confirmed = false;
    QByteArray factory;
    const bool read = RunGuarded(this, [&] {
        confirmed = prompts().message(this,
                                      QStringLiteral("Deze actie verwijdert alle huidige instellingen en zet deze "
                                                     "terug naar de standaard waarde. Weet u het zeker?"),
                                      QStringLiteral("Default waarde terug zetten?"), PromptIcon::Question,
                                      PromptButtons::OkCancel, PromptDefault::Safe) == PromptAnswer::Ok;
        if (confirmed) {
            factory = factoryCourse();
            confirmed = askToDropGrades(factory);
        }
    });
    if (read && confirmed && saving([&] { return replaceCourseFile([&](const QByteArray&) { return factory; }); }))
        Form_Activate();
}
