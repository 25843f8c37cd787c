// A window with a sample journal grid (group captions, footer, row colours),
// for looking at the grid on a real display. Not a test.
#include "kit/datagrid.h"

#include <QApplication>
#include <QColor>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    kit::DataGrid grid;
    grid.setWindowTitle(QStringLiteral("储值或消费记录"));
    grid.setColumns({
        {"收银时间", "收银时间", kit::footer::text("合计")},
        {"流水号", "流水号", kit::footer::count(), kit::Sortable},
        {"付款方式", "付款方式"},
        {"充值金额", "充值金额", kit::footer::sum(), kit::Sortable, "金额情况"},
        {"消费额", "消费额", kit::footer::sum(), kit::Sortable, "金额情况"},
        {"赠送金额", "赠送金额", kit::footer::sum(), kit::Sortable, "金额情况"},
        {"有效次数", "有效次数", kit::footer::sum(), kit::Sortable},
        {"收银员", "收银员"},
        {"说明", "说明"},
    });
    grid.setRows({"收银时间", "流水号", "付款方式", "充值金额", "消费额", "赠送金额", "有效次数", "收银员", "说明", "标志"},
                 {
                     {"2009-09-09 08:01:00", 1005, "现金", 0.1, QVariant(), 0.0, 0, "张三", "", "充值"},
                     {"2009-09-09 09:12:30", 1006, "", QVariant(), -30.0, QVariant(), 0, "张三", "午餐", "消费"},
                     {"2009-09-09 10:40:02", 1007, "", QVariant(), 5.5, QVariant(), 0, "李四", "多收", "误收"},
                     {"2009-09-09 11:00:00", 1008, "支票", 0.2, QVariant(), 20.0, 10, "李四", "新卡", "新开卡"},
                     {"2009-09-09 12:05:45", 1009, "", QVariant(), -12.5, QVariant(), 0, "王五", "", "消费"},
                 });
    grid.setRowColours([](const kit::Row& row) -> kit::RowColours {
        const QString flag = row.text("标志");
        if (flag == "充值" || flag == "新开卡")
            return {QColor(255, 255, 128), {}};
        if (flag == "误收" || flag == "修改")
            return {QColor(255, 0, 0), QColor(Qt::white)};
        return {};
    });
    grid.resize(900, 300);
    grid.show();
    return app.exec();
}
