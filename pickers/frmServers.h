// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The server picker: the servers of one fixed domain; the picked name goes
// into the main window's server input.
#pragma once

#include "ListView.h"
#include "Picker.h"
#include "modApi.h"

#include <QLineEdit>
#include <QPointer>

namespace quarnel {

class frmServers : public Picker {
    Q_OBJECT

  public:
    // The domain whose servers the picker lists: empty, the primary domain
    // of this computer.
    static constexpr const char16_t* ServerDomain = u"";

    // Builds the window; a pick goes into `txtServer` and nowhere else.
    frmServers(modApi& api, QLineEdit* txtServer);

    ListView* const lvwServers = new ListView(this);

  public slots:
    void lvwServers_ColumnClick(int columnHeader);
    void lvwServers_DblClick();

  protected:
    void Form_Load() override;
    void Form_KeyPress(int keyAscii) override;

  private:
    void PickSelectedServer();

    modApi& api_;
    const QPointer<QLineEdit> txtServer_;
};

} // namespace quarnel
