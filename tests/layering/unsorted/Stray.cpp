// Layering fixture: a folder the table does not list.
