#include "ui/banner.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace corvane {

QPixmap DrawBanner(int width, int height) {
  QPixmap pixmap(width, height);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0.0, QColor(18, 52, 110));
  sky.setColorAt(1.0, QColor(120, 175, 230));
  p.fillRect(0, 0, width, height, sky);

  // Runway in perspective at the bottom left.
  p.setBrush(QColor(60, 60, 66));
  p.setPen(Qt::NoPen);
  QPolygonF runway;
  runway << QPointF(0, height) << QPointF(width * 0.38, height)
         << QPointF(width * 0.22, height * 0.78) << QPointF(width * 0.12, height * 0.78);
  p.drawPolygon(runway);
  p.setPen(QPen(QColor(240, 240, 240), 2, Qt::DashLine));
  p.drawLine(QPointF(width * 0.19, height), QPointF(width * 0.17, height * 0.8));

  // An aircraft seen from above, nose to the right, climbing away.
  p.save();
  p.translate(width * 0.9, height * 0.42);
  p.rotate(-18);
  p.scale(height / 80.0, height / 80.0);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 250, 250));
  QPainterPath plane;
  plane.addRoundedRect(QRectF(-26, -3.5, 52, 7), 3.5, 3.5);  // fuselage
  QPolygonF wings;
  wings << QPointF(6, -3) << QPointF(-6, -28) << QPointF(-12, -28) << QPointF(-6, 0)
        << QPointF(-12, 28) << QPointF(-6, 28) << QPointF(6, 3);
  plane.addPolygon(wings);
  QPolygonF tail;
  tail << QPointF(-18, -2) << QPointF(-26, -11) << QPointF(-29, -11) << QPointF(-25, 0)
       << QPointF(-29, 11) << QPointF(-26, 11) << QPointF(-18, 2);
  plane.addPolygon(tail);
  p.drawPath(plane.simplified());
  p.restore();

  QFont title("Sans", qMax(10, height / 5), QFont::Bold);
  p.setFont(title);
  p.setPen(QColor(255, 255, 255));
  p.drawText(QRectF(width * 0.3, 0, width * 0.5, height), Qt::AlignVCenter | Qt::AlignLeft,
             "Corvane Conduit");
  return pixmap;
}

}  // namespace corvane
