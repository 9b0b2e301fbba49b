#include "ui/log_list_model.h"

namespace corvane {

LogListModel::LogListModel(int max_items, QObject* parent)
    : QAbstractListModel(parent), max_items_(max_items) {}

void LogListModel::Append(const QString& text) {
  while (static_cast<int>(items_.size()) >= max_items_) {
    items_.pop_front();
    // A line the views never heard of leaves nothing for them to remove.
    if (published_rows_ > unpublished_drops_) ++unpublished_drops_;
  }
  items_.push_back(text);
}

bool LogListModel::Publish() {
  bool changed = false;
  if (unpublished_drops_ > 0) {
    beginRemoveRows(QModelIndex(), 0, unpublished_drops_ - 1);
    published_rows_ -= unpublished_drops_;
    unpublished_drops_ = 0;
    endRemoveRows();
    changed = true;
  }
  const int total = static_cast<int>(items_.size());
  if (total > published_rows_) {
    beginInsertRows(QModelIndex(), published_rows_, total - 1);
    published_rows_ = total;
    endInsertRows();
    changed = true;
  }
  return changed;
}

QStringList LogListModel::Items() const {
  return QStringList(items_.begin(), items_.end());
}

int LogListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : published_rows_;
}

QVariant LogListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || index.parent().isValid()) return {};
  const int at = index.row() - unpublished_drops_;
  // Rows dropped but not yet removed from the views show nothing meanwhile.
  if (at < 0 || at >= static_cast<int>(items_.size())) return {};
  return items_[static_cast<size_t>(at)];
}

}  // namespace corvane
