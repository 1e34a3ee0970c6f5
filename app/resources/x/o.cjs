/* Lomandra's skin: a Qt style sheet, read at start from x/o.cjs in the program folder and
   applied to the main window. Fonts stay as the window designs them; only colours, borders
   and corners change here. */

QWidget#Form1 {
  background-color: #eaf1f2;
}

QGroupBox {
  background-color: #eaf1f2;
  border: 1px solid #9dbcc1;
  border-radius: 5px;
  margin-top: 7px;
}
QGroupBox::title {
  subcontrol-origin: margin;
  subcontrol-position: top left;
  left: 9px;
  padding: 0 4px;
  color: #145f69;
  background-color: #eaf1f2;
}

QPushButton {
  color: #123d43;
  background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #d9e7e9);
  border: 1px solid #85a9af;
  border-radius: 5px;
  padding: 0 6px;
}
QPushButton:hover {
  background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #f4fbfb, stop: 1 #c4e3e6);
  border-color: #166e7a;
}
QPushButton:pressed {
  background-color: #aed7dc;
}
QPushButton:focus {
  border: 2px solid #166e7a;
}

QLineEdit, QComboBox {
  color: #10282b;
  background-color: #ffffff;
  border: 1px solid #9dbcc1;
  border-radius: 3px;
  padding: 0 4px;
  selection-background-color: #166e7a;
  selection-color: #ffffff;
}
QLineEdit:focus, QComboBox:focus {
  border-color: #166e7a;
}

QTreeView {
  color: #10282b;
  background-color: #ffffff;
  border: 1px solid #9dbcc1;
  selection-background-color: #166e7a;
  selection-color: #ffffff;
}
QHeaderView::section {
  color: #145f69;
  background-color: #d9e7e9;
  border: none;
  border-right: 1px solid #b5cdd1;
  border-bottom: 1px solid #9dbcc1;
  padding: 2px 6px;
}

QToolTip {
  color: #10282b;
  background-color: #fdfbe8;
  border: 1px solid #9dbcc1;
  padding: 2px;
}
