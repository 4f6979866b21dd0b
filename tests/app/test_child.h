#pragma once
// A stand-in picture window: five menus of group 0 and a close query the test answers.

#include "platform/forms/mdi_child.h"

#include <QCloseEvent>
#include <QMenu>
#include <QWidget>

#include <functional>

class TestChild : public QWidget, public forms::MdiChild {
public:
    explicit TestChild(const QString& caption)
    {
        setWindowTitle(caption);
        for (const char* title : {"&Файл", "&Редактировать", "&Вид", "&Цвет", "&Эффекты"})
            menus.append({new QMenu(QString::fromUtf8(title), this), 0});
    }

    forms::MenuItems mergedMenus() const override { return menus; }

    bool CloseQuery() override
    {
        ++queries;
        if (onQuery)
            onQuery(*this);
        return mayClose;
    }

    forms::MenuItems menus;
    bool mayClose = true;
    int queries = 0;
    std::function<void(TestChild&)> onQuery;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (CloseQuery())
            event->accept();
        else
            event->ignore();
    }
};
