// SPDX-License-Identifier: MIT
// The built-in synthesizer in the window with the system's own devices: it
// ends the output list, costs the start-up nothing, and where no audio output
// can be opened "Play" says that this is what is missing and the window
// stays idle. The test's environment points PulseAudio and ALSA at nothing, so the
// audio output fails on any machine.

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/tform1.h"
#include "playback/fluid_synth_backend.h"
#include "test_support.h"

namespace {

bool FluidSynthLoaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    return maps.readAll().contains("libfluidsynth");
}

const QString kSynthesizer = QString::fromUtf8(tonvell::playback::kBuiltInSynthesizerName);

}  // namespace

class SynthWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        boxes_.clear();
        form_ = std::make_unique<TForm1>();
        form_->SetMessageBoxes(std::make_unique<tonvell::test::RecordingMessageBoxes>(boxes_));
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void cleanup() { form_.reset(); }

    void endsTheOutputListWithoutBeingLoaded() {
        QComboBox* outputs = form_->ComboBox11;
        QCOMPARE(outputs->itemText(outputs->count() - 1), kSynthesizer);
        QCOMPARE(outputs->findText(kSynthesizer), outputs->count() - 1);
        QVERIFY2(!FluidSynthLoaded(), "FluidSynth is loaded only when the device opens");
    }

    void withoutAudioPlaySaysSo() {
        form_->ComboBox11->setCurrentIndex(form_->ComboBox11->findText(kSynthesizer));
        QVERIFY(form_->ComboBox12->isEnabled());
        form_->Memo2->setPlainText(QStringLiteral("DB 51h, F0h\nDB FFh\nDB 00h\n"));
        const QString label = form_->Label2->text();
        QTest::mouseClick(form_->Button4, Qt::LeftButton);
        QCOMPARE(boxes_.size(), std::size_t{1});
        // Which part is missing, and what to check.
        QVERIFY2(boxes_[0].text.contains(QStringLiteral("cannot reach an audio output")),
                 qPrintable(boxes_[0].text));
        QVERIFY(form_->Button4->isEnabled());
        QVERIFY(!form_->Button5->isEnabled());
        QVERIFY(form_->ComboBox11->isEnabled());
        QCOMPARE(form_->Label2->text(), label);
        // Again, and with "none" afterwards: nothing else has broken.
        QTest::mouseClick(form_->Button4, Qt::LeftButton);
        QCOMPARE(boxes_.size(), std::size_t{2});
        form_->ComboBox11->setCurrentIndex(0);
        QTest::mouseClick(form_->Button4, Qt::LeftButton);
        QCOMPARE(boxes_.size(), std::size_t{2});
        QVERIFY(form_->Button5->isEnabled());
        QTest::mouseClick(form_->Button5, Qt::LeftButton);
        QVERIFY(form_->Button4->isEnabled());
    }

private:
    std::vector<tonvell::test::ShownBox> boxes_;
    std::unique_ptr<TForm1> form_;
};

QTEST_MAIN(SynthWindowTest)
#include "synth_window_test.moc"
