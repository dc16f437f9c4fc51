#pragma once

#include <QWidget>

namespace bw::ui {

/// The sound selection popup. Its cells are added with the track list.
class TselfPopup : public QWidget
{
    Q_OBJECT
public:
    explicit TselfPopup(QWidget* parent = nullptr);
};

} // namespace bw::ui
