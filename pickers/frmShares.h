// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The share picker: the shares of the server that the main window names,
// with remark, current uses and folder; the picked share's folder becomes the
// main window's base path.
#pragma once

#include "ListView.h"
#include "Picker.h"
#include "modApi.h"

#include <QLineEdit>
#include <QPointer>

namespace quarnel {

class frmShares : public Picker {
    Q_OBJECT

  public:
    // Builds the window. `server` is the main window's server text as it
    // stands; a pick goes into `txtBasePath` and nowhere else.
    frmShares(modApi& api, const QString& server, QLineEdit* txtBasePath);

    ListView* const lvwShares = new ListView(this);

  public slots:
    void lvwShares_ColumnClick(int columnHeader);
    void lvwShares_DblClick();

  protected:
    void Form_Load() override;
    void Form_KeyPress(int keyAscii) override;

  private:
    void PickSelectedShare();

    modApi& api_;
    const QString server_;
    const QPointer<QLineEdit> txtBasePath_;
};

} // namespace quarnel
