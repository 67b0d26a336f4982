// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "commondialog.h"

#include "services.h"

CommonDialog::CommonDialog(Services &services, QWidget *parent) : m_services(services), m_parent(parent) { }

void CommonDialog::ShowOpen() { m_services.showOpen(*this, m_parent); }
