#pragma once
// An entry of a narrow view whose name is cut short shows the whole name
// as its tooltip; names that fit show none.
#include <QStyledItemDelegate>

namespace sonavex {

class FullNameTips : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  bool helpEvent(QHelpEvent* event, QAbstractItemView* view,
                 const QStyleOptionViewItem& option, const QModelIndex& index) override;
};

}  // namespace sonavex
