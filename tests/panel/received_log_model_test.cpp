#include "panel/widgets/received_log_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

using ferrule::RawByteLine;
using ferrule::ReceivedLogModel;

TEST(CoreReceivedLog, RawByteLinesShowDecimalAndUpperCaseHex) {
    EXPECT_EQ(RawByteLine(13), "13  0x0D");
    EXPECT_EQ(RawByteLine(170), "170  0xAA");
    EXPECT_EQ(RawByteLine(0), "0  0x00");
    EXPECT_EQ(RawByteLine(255), "255  0xFF");
}

TEST(CoreReceivedLog, StagedLinesBecomeVisibleInOneInsertion) {
    ReceivedLogModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.AppendText("2 device(s) attached:");
    for (int b = 0; b < 300; ++b) {
        model.AppendRawByte(static_cast<uint8_t>(b));
    }
    model.AppendText("QSC-2000");
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.LineCount(), 302);

    EXPECT_TRUE(model.CommitPending());
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(model.rowCount(), 302);
    EXPECT_FALSE(model.CommitPending());

    EXPECT_EQ(model.LineText(0), "2 device(s) attached:");
    EXPECT_EQ(model.LineText(1), "0  0x00");
    EXPECT_EQ(model.LineText(300), "43  0x2B");
    EXPECT_EQ(model.LineText(301), "QSC-2000");
    EXPECT_EQ(model.data(model.index(171, 0), Qt::DisplayRole).toString().toStdString(),
              "170  0xAA");
    EXPECT_EQ(model.LineText(302), "");
}

TEST(CoreReceivedLog, ClearEmptiesStagedAndVisibleLines) {
    ReceivedLogModel model;
    model.AppendRawByte(1);
    model.CommitPending();
    model.AppendText("pending");
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.LineCount(), 0);
    EXPECT_FALSE(model.CommitPending());
    model.AppendRawByte(0xAC);
    model.CommitPending();
    EXPECT_EQ(model.LineText(0), "172  0xAC");
}
