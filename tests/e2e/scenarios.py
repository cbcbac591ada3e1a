"""Every scenario of the end-to-end layer, by name."""
import scenarios_records
import scenarios_stock

SCENARIOS = {f.__name__: f for f in (
    scenarios_stock.receipt, scenarios_stock.receipt_undo,
    scenarios_stock.undo_after_issue, scenarios_stock.slip_of_three,
    scenarios_stock.ten_row_pick, scenarios_stock.pick_again,
    scenarios_stock.slip_pdf, scenarios_records.reports,
    scenarios_records.export, scenarios_records.print_table,
    scenarios_records.backup_restore, scenarios_records.spreadsheet_import)}
