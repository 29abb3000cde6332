// Small widget builders and conversions shared by the files that build the main window.
#pragma once

#include <QComboBox>
#include <QDateTime>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QTableView>
#include <QToolButton>
#include <string_view>
#include <vector>

#include "mainwindow/main_window.h"

namespace wf::gui {

inline constexpr int kTimerIntervalMs = 1000;
inline constexpr double kDefaultUserColumnTwips = 1000;

QString PanelText(std::string_view s);
QDateTime ToQDateTime(const CivilDateTime& dt);
CivilDateTime ToCivil(const QDateTime& dt);
QPushButton* Button(const QString& caption, const char* name, QWidget* parent);
QRadioButton* Radio(const QString& caption, const char* name, QWidget* parent);
QToolButton* ClearHistoryButton(const char* name, QWidget* parent);
QComboBox* HistoryCombo(const char* name, const QString& tip, QWidget* parent);
std::vector<int> SelectedRows(const QTableView* view);
void SetHistoryEntries(QComboBox* combo, const HistoryList& history);

}  // namespace wf::gui
