#pragma once

#include <QMainWindow>

class QAction;
class QMdiArea;
class QMenu;

// The frame window: the menu bar, the child windows inside its client area,
// the role gating of the menus, and the editing context menu of the question
// windows' rich-text boxes.
class MDIForm1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit MDIForm1(QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return mdiArea_; }
    QMenu* BJCD() const { return BJCD_; }
    QAction* command(const QString& name) const;

public slots:
    // Command handlers may throw StoreError: connectAction reports it.
    void TMZSH_Click();
    void TKWZ_Click(); // 题库位置: where the bank and its automatic backups are
    void SYBZ_Click();
    void quit_Click();
    void JianQ_Click();
    void FuZH_Click();
    void ZHanT_Click();
    void SHanCH_Click();
    void QuanX_Click();
    void QuanBSHCH_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void MDIForm_Load();
    void buildMenus();
    QMenu* addMenu(QMenu* parent, const char* name, const QString& caption);
    QAction* addCommand(QMenu* menu, const char* name, const QString& caption);
    void addSeparator(QMenu* menu, const char* name);

    QMdiArea* mdiArea_;
    QMenu* BJCD_ = nullptr;
};
