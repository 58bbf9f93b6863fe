#pragma once

#include <QWidget>

class QTextBrowser;

// Shows the help page 帮助.html of the program directory.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    static QString helpFilePath();
    // Loads the page; when it is missing, says so and returns false.
    bool load();
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};
