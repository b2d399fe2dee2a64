-- Quillmere demo: the SOURCE database (load with: sqlite3 source.db < source.sql)
--
-- The target database (target.sql) holds the same three tables with these
-- differences; every row not listed is equal in both.
--
-- customers (key CustNo), 15 rows here, 15 in the target:
--   only in source: 1013, 1014
--   only in target: 1016, 1017
--   different:      1002 Company differs only in letter case ('Acme Tools' / 'ACME Tools')
--                   1004 City has a trailing blank in the target ('Oslo' / 'Oslo ')
--                   1006 Contact is NULL here, empty text in the target
--                   1008 Credit differs (5000 / 7500)
--                   1010 Since date differs ('2019-03-14' / '2019-03-15')
--                   1011 Vip differs (0 / 1)
--   equal:          1001, 1003, 1005, 1007, 1009, 1012 (Contact NULL in both), 1015
--
-- orders (key OrderNo), 15 rows here, 15 in the target:
--   only in source: 5014, 5015
--   only in target: 5016, 5017
--   different:      5003 ShipVia differs only in letter case ('UPS' / 'ups')
--                   5005 Notes is empty text here, NULL in the target
--                   5007 Total differs (412.50 / 415.50)
--                   5009 SaleDate differs ('2024-02-10' / '2024-02-12')
--                   5011 Notes has a trailing blank in the target
--                   5012 ShipVia and Total both differ ('DHL' / 'FedEx', 1290.00 / 1310.00)
--   equal:          5001, 5002, 5004, 5006, 5008, 5010, 5013 (Notes NULL in both for 5001, 5004, 5008, 5013)
--
-- order_lines (key OrderNo;LineNo), 25 rows here, 25 in the target:
--   only in source: 5002/3, 5014/1, 5014/2, 5015/1
--   only in target: 5004/3, 5016/1, 5016/2, 5017/1
--   different:      5001/2 Qty differs (2 / 3)
--                   5003/1 PartNo differs only in letter case ('BR-200' / 'br-200')
--                   5006/1 Price differs (19.99 / 21.49)
--                   5007/3 PartNo has a trailing blank in the target ('HX-7' / 'HX-7 ')
--                   5010/1 Qty and Price both differ (10 / 12, 4.75 / 4.5)
--   equal:          the other 16 rows

CREATE TABLE customers (
    CustNo  INTEGER PRIMARY KEY,
    Company TEXT NOT NULL,
    Contact TEXT,
    City    TEXT,
    Credit  REAL,
    Since   TEXT,
    Vip     BOOLEAN NOT NULL DEFAULT 0
);

INSERT INTO customers (CustNo, Company, Contact, City, Credit, Since, Vip) VALUES
    (1001, 'Harbor Light Outfitters', 'Maren Solberg',  'Bergen',      12000.00, '2018-05-02', 1),
    (1002, 'Acme Tools',              'Dave Whitfield', 'Leeds',        8500.00, '2019-11-20', 0),
    (1003, 'Blue Fjord Diving',       'Ingrid Haug',    'Tromsø',       4000.00, '2020-01-15', 0),
    (1004, 'Polar Gear AS',           'Ola Berntsen',   'Oslo',         9800.00, '2017-04-18', 1),
    (1005, 'Cedar & Stone',           'Rachel Amsel',   'Portland',     6200.50, '2017-08-09', 1),
    (1006, 'Kestrel Optics',          NULL,             'Glasgow',      3000.00, '2021-06-30', 0),
    (1007, 'Lumen Lighting GmbH',     'Jonas Weber',    'Köln',        15000.00, '2016-02-11', 1),
    (1008, 'Sierra Bike Works',       'Ana Ruiz',       'Valencia',     5000.00, '2020-09-01', 0),
    (1009, 'Tidewater Books',         'Sam Okafor',     'Norfolk',      1500.00, '2022-03-03', 0),
    (1010, 'Granite Peak Coffee',     'Lena Fox',       'Denver',       2500.00, '2019-03-14', 0),
    (1011, 'Orchard Lane Bakery',     'Priya Nair',     'Bristol',       900.00, '2023-01-10', 0),
    (1012, 'Meridian Sailmakers',     NULL,             'Falmouth',     7800.00, '2015-07-22', 1),
    (1013, 'Copperleaf Studio',       'Mia Castell',    'Barcelona',    2200.00, '2021-10-05', 0),
    (1014, 'Driftwood Surf Co',       'Kai Mahoe',      'Hilo',         3400.00, '2018-06-27', 0),
    (1015, 'Aurora Ski Rental',       'Kari Lund',      'Lillehammer',  4300.00, '2018-12-01', 0);

CREATE TABLE orders (
    OrderNo  INTEGER PRIMARY KEY,
    CustNo   INTEGER NOT NULL,
    SaleDate TEXT NOT NULL,
    ShipVia  TEXT,
    Total    NUMERIC,
    Notes    TEXT
);

INSERT INTO orders (OrderNo, CustNo, SaleDate, ShipVia, Total, Notes) VALUES
    (5001, 1001, '2024-01-08', 'DHL',    1840.00, NULL),
    (5002, 1003, '2024-01-11', 'Posten',  356.90, 'Call before delivery'),
    (5003, 1002, '2024-01-15', 'UPS',     129.95, 'Fragile'),
    (5004, 1007, '2024-01-19', 'DHL',    2410.00, NULL),
    (5005, 1005, '2024-01-24', 'FedEx',   688.40, ''),
    (5006, 1009, '2024-01-29', 'USPS',     59.97, 'Gift wrap'),
    (5007, 1004, '2024-02-02', 'Posten',  412.50, 'Deliver to warehouse door 3'),
    (5008, 1012, '2024-02-06', 'DHL',    3275.00, NULL),
    (5009, 1008, '2024-02-10', 'SEUR',    942.00, 'Partial shipment allowed'),
    (5010, 1010, '2024-02-14', 'UPS',      47.50, 'Standing order'),
    (5011, 1015, '2024-02-19', 'Posten',  520.00, 'Leave at gate'),
    (5012, 1001, '2024-02-23', 'DHL',    1290.00, 'Invoice by e-mail'),
    (5013, 1006, '2024-02-27', 'Royal Mail', 215.30, NULL),
    (5014, 1013, '2024-03-01', 'SEUR',    180.00, 'Cancelled by customer'),
    (5015, 1014, '2024-03-04', 'USPS',    264.00, NULL);

CREATE TABLE order_lines (
    OrderNo INTEGER NOT NULL,
    LineNo  INTEGER NOT NULL,
    PartNo  TEXT    NOT NULL,
    Qty     INTEGER NOT NULL,
    Price   REAL    NOT NULL,
    PRIMARY KEY (OrderNo, LineNo)
);

INSERT INTO order_lines (OrderNo, LineNo, PartNo, Qty, Price) VALUES
    (5001, 1, 'LT-400',  4, 310.00),
    (5001, 2, 'RP-12',   2, 300.00),
    (5002, 1, 'DV-MASK', 3,  64.90),
    (5002, 2, 'DV-FIN',  2,  59.95),
    (5002, 3, 'DV-LOG',  1,  47.30),
    (5003, 1, 'BR-200',  5,  25.99),
    (5004, 1, 'LM-900', 10, 199.00),
    (5004, 2, 'LM-CBL', 20,  21.00),
    (5005, 1, 'CS-SLAB', 4, 172.10),
    (5006, 1, 'BK-PBK',  3,  19.99),
    (5006, 2, 'BK-MARK', 1,   0.00),
    (5007, 1, 'HX-5',    6,  35.00),
    (5007, 2, 'HX-6',    4,  28.50),
    (5007, 3, 'HX-7',    3,  29.50),
    (5008, 1, 'SL-MAIN', 1, 3275.00),
    (5009, 1, 'BW-FRM',  2, 389.00),
    (5009, 2, 'BW-TYRE', 8,  20.50),
    (5010, 1, 'GP-BEAN', 10,  4.75),
    (5011, 1, 'SK-WAX', 40,  13.00),
    (5012, 1, 'LT-410',  3, 330.00),
    (5012, 2, 'RP-14',   3,  100.00),
    (5013, 1, 'KO-LENS', 2, 107.65),
    (5014, 1, 'CL-INK',  6,  15.00),
    (5014, 2, 'CL-PAD',  9,  10.00),
    (5015, 1, 'DW-WAX', 24,  11.00);
