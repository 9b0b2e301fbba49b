#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>
#include <deque>

namespace corvane {

// The lines of the log list. Append() keeps the content exact at once; the
// views hear of the change only at Publish(), so that a burst of lines costs
// the views one insertion instead of one per line.
class LogListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit LogListModel(int max_items, QObject* parent = nullptr);

  // Adds text as the last line; past max_items the oldest line goes.
  void Append(const QString& text);
  // Tells the views what changed since the last call; true when anything did.
  bool Publish();
  // Every line, oldest first, whether published or not.
  QStringList Items() const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  int max_items_;
  std::deque<QString> items_;
  // What the views know: their rows are items_ shifted by the lines dropped
  // from the front since the last Publish().
  int published_rows_ = 0;
  int unpublished_drops_ = 0;
};

}  // namespace corvane
