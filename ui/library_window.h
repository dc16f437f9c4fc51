#pragma once

#include <QWidget>

namespace bw::ui {

/// The sound library window. Its controls are added with the library commands.
class Tsoundlibary : public QWidget
{
    Q_OBJECT
public:
    explicit Tsoundlibary(QWidget* parent = nullptr);
};

} // namespace bw::ui
