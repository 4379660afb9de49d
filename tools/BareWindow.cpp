// The yardstick for the window's start-up: a bare Qt Widgets window with a Chinese label and four
// buttons, and nothing else.
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(new QLabel(QStringLiteral("UV电调测试软件")));
  auto* buttons = new QHBoxLayout;
  for (const char* text : {"读出", "写入", "保存", "打开"}) {
    buttons->addWidget(new QPushButton(QString::fromUtf8(text)));
  }
  layout->addLayout(buttons);
  window.show();
  return app.exec();
}
