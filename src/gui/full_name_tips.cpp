#include "gui/full_name_tips.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace sonavex {

bool FullNameTips::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                             const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event->type() != QEvent::ToolTip || !index.isValid()) {
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  }
  // The visible part of the entry: a wide column in a narrow view cuts the
  // name at the view's edge as well.
  const QRect shown = option.rect.intersected(view->viewport()->rect());
  if (sizeHint(option, index).width() <= shown.width()) {
    QToolTip::hideText();
    return true;
  }
  QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(),
                     view->viewport(), shown);
  return true;
}

}  // namespace sonavex
