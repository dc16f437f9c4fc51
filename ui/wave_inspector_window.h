#pragma once

#include <QDialog>

namespace bw::ui {

/// The sample import window. Its controls are added with the sample import.
class TWaveInspector : public QDialog
{
    Q_OBJECT
public:
    explicit TWaveInspector(QWidget* parent = nullptr);
};

} // namespace bw::ui
