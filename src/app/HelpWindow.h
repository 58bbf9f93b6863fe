#pragma once

#include <QWidget>

class QTextBrowser;

// Shows the help page 帮助.html beside the program, or where an installed copy
// keeps its files (shippedFile).
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
