// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/searchbench.h"

#include "app/searchwindow.h"
#include "skins/skinscan.h"
#include "skins/skinsearch.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QTreeView>

#include <algorithm>
#include <ctime>
#include <random>

namespace SearchBench {

namespace {

double threadCpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

template<class F> Times timeOf(F&& f)
{
    QElapsedTimer wall;
    const double cpu = threadCpuMs();
    wall.start();
    f();
    return { wall.nsecsElapsed() / 1e6, threadCpuMs() - cpu };
}

Times median(QList<Times> times)
{
    const auto middle = [&times](auto field) {
        QList<double> values;
        for (const Times& t : std::as_const(times))
            values << t.*field;
        std::sort(values.begin(), values.end());
        const qsizetype mid = values.size() / 2;
        return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
    };
    return { middle(&Times::wall), middle(&Times::cpu) };
}

} // namespace

Result measure(const QStringList& names, int runs)
{
    Result result;
    SearchWindow window(nullptr);
    window.setSkins(QString(), names);
    window.show();
    QApplication::processEvents();

    const QString letter = QStringLiteral("a");
    const QStringList folded = SkinSearch::foldAll(names);
    QList<Times> keystroke, loop, fold, sort;
    QList<int> found;
    for (int i = 0; i < runs; ++i) {
        window.textBox->clear();
        QApplication::processEvents();
        keystroke << timeOf([&] {
            window.textBox->setText(letter);
            QApplication::processEvents(); // the list laid out and painted
        });
        loop << timeOf([&] {
            found.clear();
            for (qsizetype row = 0; row < folded.size(); ++row) {
                if (folded.at(row).contains(letter))
                    found.append(int(row));
            }
        });
        fold << timeOf([&] { SkinSearch::foldAll(names); });
        QStringList shuffled = names;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(unsigned(i)));
        sort << timeOf([&] { SkinScan::sortCaseBlind(shuffled); });
    }
    const QAbstractItemModel* model = window.matchList->model();
    result.matches = found.size();
    result.ok = model->rowCount() == found.size()
        && (found.isEmpty() || model->index(0, 0).data().toString() == names.at(found.first()));
    result.keystroke = median(keystroke);
    result.containsLoop = median(loop);
    result.fold = median(fold);
    result.sort = median(sort);
    return result;
}

} // namespace SearchBench
