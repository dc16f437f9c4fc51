#pragma once

#include <functional>

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace bw::ui {

/// The new-pattern dialog: a name and whether the events are copied.
class TNewPattenDia1 : public QDialog
{
    Q_OBJECT
public:
    explicit TNewPattenDia1(QWidget* parent = nullptr);

    QLineEdit* patname() const { return m_patname; }
    QCheckBox* copyB() const { return m_copyB; }
    QPushButton* okButton() const { return m_ok; }

private:
    QLineEdit* m_patname = nullptr;
    QCheckBox* m_copyB = nullptr;
    QPushButton* m_ok = nullptr;
};

/// The save-changes prompt shown before New, Open and close when the song has changes.
class TwantsaveF : public QDialog
{
    Q_OBJECT
public:
    enum class Answer
    {
        Save,
        No,
        Cancel,
    };

    explicit TwantsaveF(QWidget* parent = nullptr);

    /// Shows the prompt modally and returns the button pressed (closing it is Cancel).
    Answer ask();
    /// Replaces the modal prompt (tests answer it). An empty function restores it.
    using Handler = std::function<Answer()>;
    static Handler setHandler(Handler handler);

    QPushButton* saveButton() const { return m_save; }
    QPushButton* noButton() const { return m_no; }
    QPushButton* cancelButton() const { return m_cancel; }

private:
    QPushButton* m_save = nullptr;
    QPushButton* m_no = nullptr;
    QPushButton* m_cancel = nullptr;
    Answer m_answer = Answer::Cancel;
};

} // namespace bw::ui
